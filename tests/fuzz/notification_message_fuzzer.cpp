// The lifecycle notification built from any section values: only event types 0 to 2
// are sent, and the five fields always stand in their own bar-separated slots.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "config/number_conversion.h"
#include "delivery/event_notification.h"
#include "fuzz_check.h"

namespace ostrilo::fuzz {
namespace {

std::size_t Bars(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '|')); }

void CheckEventType(const std::string& eventTypeText) {
    const std::optional<std::int32_t> sendable = SendableEventType(eventTypeText);
    const std::optional<std::int32_t> leading = LeadingNumberOf(eventTypeText);
    const bool expected = leading && *leading >= 0 && *leading <= 2;
    FUZZ_EXPECT(sendable.has_value() == expected, eventTypeText);
    if (sendable) FUZZ_EXPECT(sendable == leading, eventTypeText);
}

void CheckMessage(std::int32_t eventType, const NotificationFields& fields) {
    const std::string message = NotificationMessage(eventType, fields);
    const std::string type = std::to_string(eventType);
    std::size_t fieldBars = 0;
    std::size_t fieldBytes = 0;
    for (const std::string& field : fields) {
        fieldBars += Bars(field);
        fieldBytes += field.size();
    }
    FUZZ_EXPECT(message.size() == type.size() + 7 + fieldBytes, message);
    FUZZ_EXPECT(Bars(message) == 7 + fieldBars, message);
    FUZZ_EXPECT(message.compare(0, type.size() + 3, type + "|||") == 0, message);
    // Each field follows its own bar, unchanged and in order.
    std::size_t at = type.size() + 2;
    for (const std::string& field : fields) {
        FUZZ_EXPECT(message[at] == '|' && message.compare(at + 1, field.size(), field) == 0, message);
        at += 1 + field.size();
    }
    FUZZ_EXPECT(at == message.size(), message);
    if (fieldBars == 0) {
        // Halvex splits at bars: the type, two empty slots and exactly the five fields.
        std::size_t slot = 0;
        std::size_t start = 0;
        for (std::size_t bar = message.find('|'); bar != std::string::npos; bar = message.find('|', start)) {
            if (slot >= 3) FUZZ_EXPECT(message.substr(start, bar - start) == fields[slot - 3], message);
            start = bar + 1;
            ++slot;
        }
        FUZZ_EXPECT(slot == 7 && message.substr(start) == fields[4], message);
    }
}

}  // namespace
}  // namespace ostrilo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string eventTypeText = input.ConsumeRandomLengthString(64);
    ostrilo::NotificationFields fields;
    for (std::string& field : fields) field = input.ConsumeRandomLengthString(256);
    ostrilo::fuzz::CheckEventType(eventTypeText);
    const auto eventType = ostrilo::SendableEventType(eventTypeText);
    ostrilo::fuzz::CheckMessage(eventType.value_or(input.ConsumeIntegral<std::int32_t>()), fields);
    return 0;
}
