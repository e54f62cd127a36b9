#pragma once

#include <functional>

namespace ostrilo {

// Keeps the shutdown out of a running tick. A library that the tick calls may pump
// window messages (COM-based ones do), so a close or a service stop can arrive while the
// tick is inside that call; the shutdown then waits for the tick to return instead of
// running nested in it. (The end of the Windows session cannot wait: it does not come
// here.) A timer message that arrives the same way is dropped: the tick never re-enters
// itself.
class ShutdownAfterTick {
public:
    // `shutdown` is the shutdown sequence; it ends the process.
    explicit ShutdownAfterTick(std::function<void()> shutdown) : shutdown_(std::move(shutdown)) {}

    void RunTick(const std::function<void()>& tick);
    void RequestShutdown();
    // Once the outermost tick has returned: the shutdown requested while it ran, if any.
    void RunRequestedShutdown();

private:
    std::function<void()> shutdown_;
    bool insideTick_ = false;
    bool shutdownRequested_ = false;
};

}  // namespace ostrilo
