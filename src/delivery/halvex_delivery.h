#pragma once

#include <cstdint>
#include <string>

#include "config/connection_type.h"
#include "delivery/halvex_client.h"
#include "delivery/halvex_gateway.h"
#include "delivery/socket_link.h"
#include "logging/log_writer.h"

namespace ostrilo {

// "TA:" + message + "||24": the command queued with a client library.
std::string LibraryCommandFor(const std::string& message);
// message + "||24" + line feed: the line written to the socket link.
std::string SocketLineFor(const std::string& message);

// Delivers messages to Halvex the way the connection type says, and logs the outcome.
class HalvexDelivery : public HalvexGateway {
public:
    // `connectionType` is read at every call: start-up sets it after construction. Only
    // kConnectionByLibraries and kConnectionBySocket deliver; any other value drops every
    // message silently.
    HalvexDelivery(const std::int32_t& connectionType, HalvexClient& halvex2, HalvexClient& halvex3,
                   SocketLink& socketLink, LogWriter& log);

    bool SendToHalvex(const std::string& message) override;
    // A library that cannot be called counts as not running; never logs.
    bool IsHalvexRunning() override;

private:
    bool QueueWith(HalvexClient& client, const std::string& command, const std::string& message,
                   const char* queuedLine);

    const std::int32_t& connectionType_;
    HalvexClient& halvex2_;
    HalvexClient& halvex3_;
    SocketLink& socketLink_;
    LogWriter& log_;
};

}  // namespace ostrilo
