#include "supervision/heartbeat_schedule.h"

namespace ostrilo {

bool HeartbeatSchedule::IsDue(std::int64_t intervalMilliseconds, std::int64_t nowMilliseconds, bool pathAlive) {
    if (!pathAlive || intervalMilliseconds <= 0) {
        // A path that comes back must prove itself for a whole interval before the next beat.
        nextDue_.reset();
        return false;
    }
    if (!nextDue_) {
        nextDue_ = nowMilliseconds + intervalMilliseconds;
        return false;
    }
    if (nowMilliseconds < *nextDue_) return false;
    // Late ticks keep the rhythm; after a hang longer than an interval a new rhythm starts
    // instead of a burst of the missed beats.
    const bool hung = nowMilliseconds - *nextDue_ >= intervalMilliseconds;
    nextDue_ = (hung ? nowMilliseconds : *nextDue_) + intervalMilliseconds;
    return true;
}

}  // namespace ostrilo
