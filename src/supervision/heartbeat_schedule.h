#pragma once

#include <cstdint>
#include <optional>

namespace ostrilo {

// When the heartbeat to Halvex is due: one interval after the alarm path came alive, then
// every interval while it stays alive. Times are on a monotonic clock, so a change of the
// PC's clock neither floods nor starves Halvex.
class HeartbeatSchedule {
public:
    // Asked on every tick. True when a heartbeat is to go out now.
    bool IsDue(std::int64_t intervalMilliseconds, std::int64_t nowMilliseconds, bool pathAlive);

private:
    std::optional<std::int64_t> nextDue_;
};

}  // namespace ostrilo
