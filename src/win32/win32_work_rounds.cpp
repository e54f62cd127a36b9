#include "win32/win32_work_rounds.h"

namespace ostrilo::win32 {

void Win32WorkRounds::RequestRound() {
    if (requested_) return;
    // Without the timer the backlog waits for the next socket event or tick, as before.
    requested_ = ::SetTimer(window_, timerId_, USER_TIMER_MINIMUM, nullptr) != 0;
}

void Win32WorkRounds::RoundBegins() {
    if (!requested_) return;
    ::KillTimer(window_, timerId_);
    requested_ = false;
}

}  // namespace ostrilo::win32
