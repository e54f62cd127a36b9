#include "app/shutdown_after_tick.h"

#include <gtest/gtest.h>

#include <string>

namespace ostrilo {
namespace {

// A library that pumps window messages delivers a close, and a timer, while the tick is
// still inside it.
TEST(ShutdownAfterTick, RequestInsideATickWaitsForItsEndAndNestedTicksAreDropped) {
    std::string trace;
    ShutdownAfterTick order([&] { trace += "shutdown;"; });
    order.RunTick([&] {
        trace += "tick begins;";
        order.RunTick([&] { trace += "nested tick;"; });
        order.RequestShutdown();
        trace += "tick ends;";
    });
    EXPECT_EQ(trace, "tick begins;tick ends;shutdown;");

    trace.clear();
    ShutdownAfterTick idle([&] { trace += "shutdown;"; });
    idle.RequestShutdown();
    EXPECT_EQ(trace, "shutdown;") << "outside a tick the shutdown runs at once";
}

}  // namespace
}  // namespace ostrilo
