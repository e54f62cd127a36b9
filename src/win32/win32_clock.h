#pragma once

#include "platform/clock.h"

namespace ostrilo::win32 {

// The local wall clock of Windows and the user's time separator.
class Win32Clock : public platform::Clock {
public:
    platform::LocalDateTime Now() override;
    double SecondsSinceMidnight() override;
    std::string TimeSeparator() override;
};

}  // namespace ostrilo::win32
