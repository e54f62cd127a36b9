#include "delivery/event_notification.h"

#include "config/number_conversion.h"

namespace ostrilo {

namespace {

std::string FieldKey(std::size_t index) { return kNotificationFieldKeyPrefix + std::to_string(index); }

}  // namespace

std::optional<std::int32_t> SendableEventType(std::string_view eventTypeText) {
    // A number beyond 32 bits is as unusable as any other type outside 0..2.
    const std::optional<std::int32_t> eventType = LeadingNumberOf(eventTypeText);
    if (!eventType || *eventType < 0 || *eventType > kHighestEventType) return std::nullopt;
    return eventType;
}

std::string NotificationMessage(std::int32_t eventType, const NotificationFields& fields) {
    std::string message = std::to_string(eventType) + "||";
    for (const std::string& field : fields) message += "|" + field;
    return message;
}

EventNotifier::EventNotifier(IniValues& ini, HalvexGateway& halvex) : ini_(ini), halvex_(halvex) {}

void EventNotifier::SendEventNotification(const std::string& sectionName, WhenUndeliverable whenUndeliverable) {
    if (const auto message = ReadNotification(sectionName)) halvex_.SendToHalvex(*message, whenUndeliverable);
}

void EventNotifier::SendHeartbeat() {
    if (const auto message = ReadNotification(kHeartbeatSection)) {
        halvex_.SendToHalvex(*message, WhenUndeliverable::Fail);
    }
}

std::optional<std::string> EventNotifier::ReadNotification(const std::string& sectionName) {
    const auto eventType = SendableEventType(ini_.ReadIniValue(sectionName, kEventTypeKey, kNoEventType));
    if (!eventType) return std::nullopt;
    NotificationFields fields;
    for (std::size_t index = 0; index < fields.size(); ++index) {
        fields[index] = ini_.ReadIniValue(sectionName, FieldKey(index), "");
    }
    return NotificationMessage(*eventType, fields);
}

}  // namespace ostrilo
