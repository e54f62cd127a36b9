#pragma once

#include "platform/monotonic_clock.h"

namespace ostrilo::win32 {

// Milliseconds since Windows started; a change of the PC's clock does not move it.
class Win32MonotonicClock : public platform::MonotonicClock {
public:
    std::int64_t Milliseconds() override;
};

}  // namespace ostrilo::win32
