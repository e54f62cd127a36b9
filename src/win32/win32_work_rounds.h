#pragma once

#include <windows.h>

#include "platform/work_rounds.h"

namespace ostrilo::win32 {

// Later rounds come as a short timer on the main window. A message posted to ourselves
// would come before painting and before every WM_TIMER: a backlog that keeps posting
// would stop the tick. A timer message comes after the others, and Windows serves two
// ready timers in turn, so the tick and the rounds alternate.
class Win32WorkRounds : public platform::WorkRounds {
public:
    Win32WorkRounds(HWND window, UINT_PTR timerId) : window_(window), timerId_(timerId) {}

    void RequestRound() override;
    // The round that was asked for has come; the next one must be asked for again.
    void RoundBegins();

private:
    HWND window_;
    UINT_PTR timerId_;
    bool requested_ = false;
};

}  // namespace ostrilo::win32
