#pragma once

#include <cstdint>
#include <string>

#include "config/connection_type.h"
#include "delivery/halvex_client.h"
#include "delivery/halvex_gateway.h"
#include "delivery/message_hold.h"
#include "delivery/socket_link.h"
#include "logging/log_writer.h"
#include "scheduling/work_budget.h"

namespace ostrilo {

// "TA:" + message + "||24": the command queued with a client library.
std::string LibraryCommandFor(const std::string& message);
// message + "||24" + line feed: the line written to the socket link.
std::string SocketLineFor(const std::string& message);

// Delivers messages to Halvex the way the connection type says, and logs the outcome.
// With the hold on, a message Halvex cannot take waits in the hold, and every later one
// waits behind it until the held ones have gone out.
class HalvexDelivery : public HalvexGateway {
public:
    // Held messages handed out per tick, unless the work budget ends the round first: well
    // above the 20 fresh alarms a tick can bring, so a backlog drains (up to 500 a second).
    static constexpr int kHeldMessagesPerTick = 50;

    // With NoAlarmExport every message is dropped silently. `hold` is used once it is enabled.
    HalvexDelivery(ConnectionType connectionType, HalvexClient& halvex2, HalvexClient& halvex3,
                   SocketLink& socketLink, LogWriter& log, MessageHold* hold = nullptr);

    using HalvexGateway::SendToHalvex;
    bool SendToHalvex(const std::string& message, WhenUndeliverable whenUndeliverable) override;
    // A library that cannot be called counts as not running; never logs.
    bool IsHalvexRunning() override;

    // Discards held messages that are too old and hands the oldest others to Halvex, if it
    // can take them, at most kHeldMessagesPerTick and no more than `budget` allows.
    void DeliverHeldMessages(WorkBudget& budget);

private:
    // What becomes of a message that cannot be handed over.
    enum class Holding {
        Never,      // it fails
        Fresh,      // it goes to the hold
        HandedOut,  // it came from the hold and goes back to its place
    };

    bool HoldIsOn() const;
    bool HandOver(const HeldMessage& message, Holding holding);
    bool QueueWithLibraries(const std::string& message);
    bool CanTakeHeldMessage();
    bool QueueWith(HalvexClient& client, const std::string& command, const std::string& message,
                   const char* queuedLine);

    const ConnectionType connectionType_;
    HalvexClient& halvex2_;
    HalvexClient& halvex3_;
    SocketLink& socketLink_;
    LogWriter& log_;
    MessageHold* hold_;
    bool deliveringHeld_ = false;
};

}  // namespace ostrilo
