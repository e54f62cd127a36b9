#pragma once

#include <chrono>

namespace ostrilo {

// The service manager hears of progress every few seconds while the start-up runs, so a
// bridge library that waits for WinCC at boot does not make it give up. A start-up that
// hangs for good must not stay "starting" for ever: after this long the checkpoints
// stop, and the manager reports the start as failed.
constexpr std::chrono::minutes kLongestStart{5};

// Whether a checkpoint is still reported `sinceStart` after the start began.
bool StartCheckpointDue(std::chrono::milliseconds sinceStart);

}  // namespace ostrilo
