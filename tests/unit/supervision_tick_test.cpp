// The tick's cases the real program cannot stage cheaply: lying message counts, a tick
// nested in a delivery, a failing error call, day changes across a month end.

#include "supervision/supervision_tick.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace ostrilo {
namespace {

class SupervisionTickTest : public testing::Test {
protected:
    void Ticks(int count) { while (count-- > 0) tick.OnTimer(); }

    fakes::Bridge bridge;
    fakes::Halvex halvex;
    fakes::Log log;
    fakes::StatusBar statusBar;
    fakes::Clock localClock;
    fakes::MonotonicClock monotonicClock;
    fakes::Lines retentions;
    int heartbeats = 0;
    fakes::Alerts alerts;
    // Log files kept 14 days, a tick every 100 ms, a heartbeat every 10 seconds, Halvex missed after 300.
    SupervisionTick tick{{ConnectionType::ByLibraries, 14, 100, 10, 300},
                         {bridge, halvex, statusBar, localClock, log, [](const std::string&) {},
                          [this](const std::string& extension, std::int32_t days) {
                              retentions.push_back(extension + std::to_string(days));
                          },
                          monotonicClock, [this] { ++heartbeats; }, alerts.alerts}};
};

TEST_F(SupervisionTickTest, CountsAreClampedToTheBufferAndNeverResendAnEarlierText) {
    bridge.project = "Plant";
    bridge.waiting = {std::string(9000, 'M')};
    tick.OnTimer();
    ASSERT_EQ(halvex.sent.size(), 1u);
    EXPECT_EQ(halvex.sent[0], std::string(SupervisionTick::kMessageBufferLength, 'M'));

    bridge.lyingCount = fakes::Count(20);
    tick.OnTimer();
    ASSERT_GE(halvex.sent.size(), 2u);
    EXPECT_EQ(halvex.sent[1], std::string(20, '\0'));

    for (fakes::Count bad : {fakes::Count(-1), fakes::Count()}) {
        bridge.lyingCount = bad;
        bridge.calls.clear();
        tick.OnTimer();
        EXPECT_EQ(bridge.CallsTo("Message"), 1u) << "a bad count ends the relay of this tick";
    }
}

TEST_F(SupervisionTickTest, NestedTickDoesNothingAndDoesNotBringTheNextCheckForward) {
    bridge.project = "Plant";
    tick.OnTimer();
    halvex.duringSend = [this] { tick.OnTimer(); };
    for (int i = 0; i < 9; ++i) {
        bridge.waiting.push_back("m" + std::to_string(i));
        tick.OnTimer();
    }
    EXPECT_EQ(halvex.sent.size(), 9u);
    EXPECT_EQ(bridge.CallsTo("Project"), 1u);
    tick.OnTimer();
    EXPECT_EQ(bridge.CallsTo("Project"), 2u);
}

TEST_F(SupervisionTickTest, FailedErrorCallNeitherStopsNorReconnects) {
    bridge.errorWord = 4;
    bridge.errorResult = std::nullopt;
    Ticks(21);
    bridge.errorWord = 7;
    Ticks(20);
    EXPECT_EQ(bridge.CallsTo("Project"), 5u);
    EXPECT_EQ(bridge.CallsTo("Stop") + bridge.CallsTo("Connect"), 0u);
}

TEST_F(SupervisionTickTest, RetentionRunsOnTheFirstTickAndOnceOnEachNewDayAcrossAMonthEnd) {
    for (int day : {30, 31, 1}) {
        localClock.now = {2024, day == 1 ? 4 : 3, day, 0, 0, 0};
        Ticks(5);
    }
    EXPECT_EQ(retentions, (fakes::Lines{".Log14", ".Log14", ".Log14"}));
}

TEST_F(SupervisionTickTest, HeartbeatKeepsItsIntervalOnTheMonotonicClockOnlyWhileWinCCRuns) {
    bridge.project = "Plant";
    const auto run = [this](int ticks) {
        for (int i = 0; i < ticks; ++i, monotonicClock.now += 100) tick.OnTimer();
        return heartbeats;
    };
    EXPECT_EQ(run(100), 0) << "a path that just came alive proves itself for an interval first";
    localClock.now = {2024, 3, 14, 23, 0, 0};  // the PC's clock set back
    EXPECT_EQ(run(201), 3);
    bridge.project.clear();
    EXPECT_EQ(run(300), 3) << "none while WinCC is stopped";
    bridge.project = "Plant";
    EXPECT_EQ(run(110), 4) << "resumes one interval after WinCC is seen running again";
    monotonicClock.now += 60'000;  // a hang of six intervals
    EXPECT_EQ(run(50), 5) << "a hang is followed by one heartbeat, not a burst";
}

}  // namespace
}  // namespace ostrilo
