#include "supervision/alarm_message.h"

#include <algorithm>

namespace ostrilo {

std::size_t ReportedTextLength(std::optional<std::int16_t> count, std::size_t capacity) {
    if (!count || *count <= 0) return 0;
    return std::min(static_cast<std::size_t>(*count), capacity);
}

std::string CleanAlarmMessage(const char* buffer, std::int16_t count, std::size_t capacity) {
    std::string message(buffer, ReportedTextLength(count, capacity));
    message.erase(std::remove_if(message.begin(), message.end(), [](char c) { return c == '\r' || c == '\n'; }),
                  message.end());
    return message;
}

}  // namespace ostrilo
