#include "app/shutdown_after_tick.h"

namespace ostrilo {

void ShutdownAfterTick::RunTick(const std::function<void()>& tick) {
    if (insideTick_) return;
    insideTick_ = true;
    tick();
    insideTick_ = false;
}

void ShutdownAfterTick::RequestShutdown() {
    if (insideTick_) {
        shutdownRequested_ = true;
        return;
    }
    shutdown_();
}

void ShutdownAfterTick::RunRequestedShutdown() {
    if (!insideTick_ && shutdownRequested_) shutdown_();
}

}  // namespace ostrilo
