#pragma once

#include <cstdint>

namespace ostrilo {

// The Windows event-log entries of a service run: information, id 110, at start and at shutdown.
constexpr std::uint16_t kEventTypeInformation = 4;
constexpr std::uint32_t kLifecycleEventId = 110;

}  // namespace ostrilo
