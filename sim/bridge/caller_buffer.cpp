#include "bridge/caller_buffer.h"

#include <algorithm>
#include <cstring>

namespace ostrilo::sim {
namespace {

std::size_t UsableCapacity(const char* buffer, std::int16_t capacity) {
    return buffer == nullptr || capacity <= 0 ? 0 : static_cast<std::size_t>(capacity);
}

std::size_t CopyText(std::string_view text, char* buffer, std::size_t usable) {
    const std::size_t count = std::min(text.size(), usable);
    if (count > 0) std::memcpy(buffer, text.data(), count);
    return count;
}

}  // namespace

std::int16_t CopyTerminated(std::string_view text, char* buffer, std::int16_t capacity) {
    const std::size_t usable = UsableCapacity(buffer, capacity);
    const std::size_t count = CopyText(text, buffer, usable);
    if (count < usable) buffer[count] = '\0';
    return static_cast<std::int16_t>(count);
}

std::int16_t CopyFillingBuffer(std::string_view text, char* buffer, std::int16_t capacity) {
    const std::size_t usable = UsableCapacity(buffer, capacity);
    const std::size_t count = CopyText(text, buffer, usable);
    if (count < usable) std::memset(buffer + count, '~', usable - count);
    return static_cast<std::int16_t>(count);
}

}  // namespace ostrilo::sim
