#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/ini_values.h"
#include "config/settings_keys.h"
#include "delivery/halvex_gateway.h"

namespace ostrilo {

using NotificationFields = std::array<std::string, kNotificationFieldCount>;

// The event type that the "EventType" text names, when it is one that is sent (0, 1 or 2).
std::optional<std::int32_t> SendableEventType(std::string_view eventTypeText);

// type + "||" + "|" + T0 + ... + "|" + T4, the fields passed through unchanged.
std::string NotificationMessage(std::int32_t eventType, const NotificationFields& fields);

// Reads a notification section afresh at every call and hands its message to Halvex.
class EventNotifier {
public:
    EventNotifier(IniValues& ini, HalvexGateway& halvex);
    // Logs nothing itself: the delivery logs the outcome.
    void SendEventNotification(const std::string& sectionName,
                               WhenUndeliverable whenUndeliverable = WhenUndeliverable::HoldIfEnabled);
    // The heartbeat section's message, built like any notification. A late heartbeat would
    // claim a path alive that nobody could vouch for: one that cannot be handed over now
    // is dropped.
    void SendHeartbeat();

private:
    // Empty when the section's event type is not one that is sent.
    std::optional<std::string> ReadNotification(const std::string& sectionName);

    IniValues& ini_;
    HalvexGateway& halvex_;
};

}  // namespace ostrilo
