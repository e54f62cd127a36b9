// The end of a run: a close request waits for the tick it arrives in, and every line still
// waiting for Halvex ends in the log before the program does.

#include <gtest/gtest.h>

#include <string>

#include "app/shutdown_after_tick.h"
#include "app/shutdown_sequence.h"
#include "delivery/event_notification.h"
#include "delivery/socket_link.h"
#include "fakes.h"
#include "platform/process.h"
#include "platform/service_control.h"

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
        order.RunRequestedShutdown();  // as the nested timer message ends
        trace += "tick ends;";
    });
    order.RunRequestedShutdown();
    EXPECT_EQ(trace, "tick begins;tick ends;shutdown;");

    trace.clear();
    ShutdownAfterTick idle([&] { trace += "shutdown;"; });
    idle.RequestShutdown();
    EXPECT_EQ(trace, "shutdown;") << "outside a tick the shutdown runs at once";
}

// A desktop run with no notification configured; ending the process throws, so the test
// sees what was logged up to there.
struct NothingConfigured : IniValues, platform::Process, platform::ServiceControl {
    struct Ended {};
    std::string ReadIniValue(const std::string&, const std::string&, const std::string& fallback) override {
        return fallback;
    }
    bool AnotherInstanceRunning() override { return false; }
    std::string ArgumentText() override { return ""; }
    void ShowMessageBox(const std::string&, bool) override {}
    void SleepMilliseconds(int) override {}
    [[noreturn]] void EndNow() override { throw Ended{}; }
    std::string ReadSetting(const std::string&, const std::string&, const std::string& fallback) override {
        return fallback;
    }
    bool WriteSetting(const std::string&, const std::string&, const std::string&) override { return true; }
    bool Install() override { return true; }
    bool Uninstall() override { return true; }
    bool StartAttachment() override { return true; }
    void ReportRunning() override {}
    bool WriteEventLogEntry(std::uint16_t, std::uint32_t, const std::string&) override { return true; }
    void ReportStopProgress() override {}
    void ReportStopped() override {}
};

TEST(ShutdownSequence, EveryLineAStalledPeerLeftWaitingFailsInTheLogBeforeTheEnd) {
    fakes::Log log;
    fakes::StatusBar statusBar;
    fakes::Listener listener;
    fakes::Rounds rounds;
    fakes::Bridge bridge;
    fakes::Halvex halvex;
    NothingConfigured desktop;
    WorkBudget budget;
    SocketLink link{statusBar, log, budget, rounds};
    listener.ConnectTo(link)->budget = 0;
    constexpr int kWaiting = 5 * WorkBudget::kLinesPerMessage;
    for (int i = 0; i < kWaiting; ++i) link.Deliver("alarm||24\n", "alarm");

    RunSettings state;
    EventNotifier notifier{desktop, halvex};
    ShutdownSequence shutdown{state, log, bridge, link, notifier, desktop, desktop, budget};
    EXPECT_THROW(shutdown.Run(), NothingConfigured::Ended);
    const auto ended = std::find(log.lines.begin(), log.lines.end(), "Ostrilo has been shutdown");
    EXPECT_EQ(std::count(log.lines.begin(), ended, "Failed to send Message to Halvex: alarm"), kWaiting);
    EXPECT_EQ(log.lines.back(), std::string(120, '-'));
}

}  // namespace
}  // namespace ostrilo
