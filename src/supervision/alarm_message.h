#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace ostrilo {

// How many characters of a bridge call's buffer hold its text: none for a failed call or
// a count of 0 or less, and never more than the buffer holds, whatever the library claims.
std::size_t ReportedTextLength(std::optional<std::int16_t> count, std::size_t capacity);

// The alarm the bridge left in `buffer`: its reported characters with every carriage
// return and line feed removed, since Halvex reads one line per alarm. Every other byte
// stays, in order.
std::string CleanAlarmMessage(const char* buffer, std::int16_t count, std::size_t capacity);

}  // namespace ostrilo
