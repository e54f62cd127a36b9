#pragma once

#include <cstdint>

namespace ostrilo::platform {

// A clock that only moves forward, whatever happens to the PC's date and time.
class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    // Milliseconds since an arbitrary start (the system's start, on Windows).
    virtual std::int64_t Milliseconds() = 0;
};

}  // namespace ostrilo::platform
