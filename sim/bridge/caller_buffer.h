#pragma once

#include <cstdint>
#include <string_view>

namespace ostrilo::sim {

// Both copies write nothing when the buffer is missing or the capacity is 0 or less, never
// write past capacity bytes, and return the number of text bytes copied (at most capacity:
// a longer text is cut to its first capacity bytes).

// Adds a terminating zero after the text when the buffer has room for it.
std::int16_t CopyTerminated(std::string_view text, char* buffer, std::int16_t capacity);

// Fills the rest of the buffer with '~', so no zero byte follows the text anywhere: shows
// whether a caller trusts the count or looks for a terminator.
std::int16_t CopyFillingBuffer(std::string_view text, char* buffer, std::int16_t capacity);

}  // namespace ostrilo::sim
