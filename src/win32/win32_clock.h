#pragma once

#include "platform/clock.h"
#include "platform/wall_clock.h"

namespace ostrilo::win32 {

// The local wall clock of Windows and the user's time separator.
class Win32Clock : public platform::Clock, public platform::WallClock {
public:
    std::int64_t SecondsSinceEpoch() override;
    platform::LocalDateTime Now() override;
    double SecondsSinceMidnight() override;
    std::string TimeSeparator() override;
};

}  // namespace ostrilo::win32
