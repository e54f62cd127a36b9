#pragma once

#include <cstdint>

namespace ostrilo {

// The ways alarms reach Halvex; the start-up leaves only these three values.
constexpr std::int32_t kConnectionByLibraries = 0;
constexpr std::int32_t kConnectionBySocket = 1;
constexpr std::int32_t kNoAlarmExport = -1;

}  // namespace ostrilo
