#include "win32/win32_monotonic_clock.h"

#include <windows.h>

namespace ostrilo::win32 {

std::int64_t Win32MonotonicClock::Milliseconds() {
    // The 64-bit count does not wrap after 49 days as GetTickCount does.
    return static_cast<std::int64_t>(::GetTickCount64());
}

}  // namespace ostrilo::win32
