#pragma once

#include <cstdint>

namespace ostrilo {

// The ways alarms reach Halvex.
enum class ConnectionType { ByLibraries, BySocket, NoAlarmExport };

// The registry and Ostrilo.ini hold the type as 0 or 1; any other number (-1 for
// "not configured") leaves the alarms unexported.
inline ConnectionType ConnectionTypeOfNumber(std::int32_t number) {
    if (number == 0) return ConnectionType::ByLibraries;
    if (number == 1) return ConnectionType::BySocket;
    return ConnectionType::NoAlarmExport;
}

}  // namespace ostrilo
