#pragma once

#include <cstdint>

namespace ostrilo::platform {

// Time that means the same across restarts of the program (UTC, whole seconds).
class WallClock {
public:
    virtual ~WallClock() = default;
    virtual std::int64_t SecondsSinceEpoch() = 0;
};

}  // namespace ostrilo::platform
