// The tick's cases the Wine tests cannot stage with the real program: lying message
// counts, nested ticks, day changes, a failing error call and the idle export.

#include "supervision/supervision_tick.h"

#include <gtest/gtest.h>

#include "fakes/fake_bridge.h"
#include "fakes/fake_halvex_gateway.h"
#include "fakes/fake_logging.h"
#include "fakes/recording_log.h"
#include "fakes/recording_status_bar.h"

namespace ostrilo {
namespace {

using Lines = std::vector<std::string>;

struct SteppedMonotonicClock : platform::MonotonicClock {
    std::int64_t now = 0;
    std::int64_t Milliseconds() override { return now; }
};

class SupervisionTickTest : public ::testing::Test {
protected:
    SupervisionTickTest() { clock.now = {{2024, 3, 15, 12, 0, 0}}; }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) tick.OnTimer();
    }
    std::size_t Checks() const { return bridge.CallsTo("GetWinCCRuntimeProject"); }

    std::int32_t connectionType = 0;
    std::int32_t daysToKeep = 60;
    std::int32_t heartbeatSeconds = 0;
    testing::FakeBridge bridge;
    testing::FakeHalvexGateway halvex;
    testing::RecordingStatusBar statusBar;
    logging_fakes::ScriptedClock clock;
    testing::RecordingLog log;
    Lines notifications;
    Lines retentions;
    SteppedMonotonicClock monotonic;
    int heartbeats = 0;
    SupervisionTick tick{{connectionType, daysToKeep, 100, heartbeatSeconds},
                         {bridge, halvex, statusBar, clock, log,
                          [this](const std::string& section) { notifications.push_back(section); },
                          [this](const std::string& extension, std::int32_t days) {
                              retentions.push_back(extension + ":" + std::to_string(days));
                          },
                          monotonic, [this] { ++heartbeats; }}};
};

TEST_F(SupervisionTickTest, LibraryCountsAreClampedToTheBufferAndBadCountsEndTheRelay) {
    bridge.projectName = std::string(9000, 'P');
    bridge.waiting = {std::string(9000, 'M')};
    tick.OnTimer();
    EXPECT_EQ(statusBar.panels[SupervisionTick::kWinCCPanel], "RUN");
    ASSERT_EQ(halvex.sent.size(), 1u);
    EXPECT_EQ(halvex.sent[0].size(), static_cast<std::size_t>(SupervisionTick::kMessageBufferLength));

    // An overstated count must not resend the text an earlier alarm left in the buffer.
    bridge.countOverride = std::optional<std::int16_t>(20);
    tick.OnTimer();
    ASSERT_GE(halvex.sent.size(), 2u);
    EXPECT_EQ(halvex.sent[1], std::string(20, '\0'));

    for (std::optional<std::int16_t> bad : {std::optional<std::int16_t>(-1), std::optional<std::int16_t>()}) {
        bridge.countOverride = bad;
        bridge.calls.clear();
        tick.OnTimer();
        EXPECT_EQ(bridge.CallsTo("GetWinCCMsgServiceMessage"), 1u);
    }
}

TEST_F(SupervisionTickTest, NestedTickDoesNothingAndDoesNotCountItsInterval) {
    bridge.projectName = "Plant";
    tick.OnTimer();
    halvex.duringSend = [this] { tick.OnTimer(); };
    for (int i = 0; i < 9; ++i) {
        bridge.waiting.push_back("m" + std::to_string(i));
        tick.OnTimer();
    }
    EXPECT_EQ(halvex.sent.size(), 9u);
    EXPECT_EQ(Checks(), 1u) << "nested ticks must not bring the next check forward";
    tick.OnTimer();
    EXPECT_EQ(Checks(), 2u);
}

TEST_F(SupervisionTickTest, FailedErrorCallNeitherStopsNorReconnects) {
    bridge.firstErrorWord = 4;
    bridge.errorResult = std::nullopt;
    Ticks(21);
    bridge.firstErrorWord = 7;
    Ticks(20);
    EXPECT_EQ(Checks(), 5u);
    EXPECT_EQ(bridge.CallsTo("StopWinCCMsgService") + bridge.CallsTo("ConnectWinCCDMProc"), 0u);
}

TEST_F(SupervisionTickTest, HalvexChangesAreLoggedOnceWithoutNotification) {
    tick.OnTimer();
    log.lines.clear();
    Ticks(3);
    halvex.running = true;
    Ticks(3);
    halvex.running = false;
    tick.OnTimer();
    EXPECT_EQ(log.lines, (Lines{"Halvex has recently been started", "Halvex has recently been stopped"}));
    EXPECT_TRUE(notifications.empty());
}

TEST_F(SupervisionTickTest, RetentionRunsOnFirstTickAndOnceOnEachNewDayAcrossMonthEnds) {
    daysToKeep = 14;
    for (int day : {30, 31, 1}) {
        clock.now = {{2024, day == 1 ? 4 : 3, day, 0, 0, 0}};
        Ticks(5);
    }
    EXPECT_EQ(retentions, (Lines{".Log:14", ".Log:14", ".Log:14"}));
}

TEST_F(SupervisionTickTest, HeartbeatKeepsItsIntervalOnTheMonotonicClockOnlyWhileWinCCRuns) {
    heartbeatSeconds = 10;
    bridge.projectName = "Plant";
    const auto run = [this](int ticks) {
        for (int i = 0; i < ticks; ++i, monotonic.now += 100) tick.OnTimer();
        return heartbeats;
    };
    EXPECT_EQ(run(100), 0) << "a path that just came alive proves itself for an interval first";
    clock.now = {{2024, 3, 14, 23, 0, 0}};  // the PC's clock set back
    EXPECT_EQ(run(201), 3);
    bridge.projectName.clear();
    EXPECT_EQ(run(300), 3) << "none while WinCC is stopped";
    bridge.projectName = "Plant";
    EXPECT_EQ(run(110), 4) << "resumes one interval after WinCC is seen running again";
    monotonic.now += 60'000;  // a hang of six intervals
    EXPECT_EQ(run(50), 5) << "a hang is followed by one heartbeat, not a burst";
}

TEST_F(SupervisionTickTest, DisabledExportLeavesEverythingUntouched) {
    connectionType = -1;
    Ticks(20);
    EXPECT_TRUE(bridge.calls.empty());
    EXPECT_TRUE(retentions.empty());
    EXPECT_TRUE(log.lines.empty());
    EXPECT_TRUE(statusBar.writes.empty());

    connectionType = 1;  // start-up settles the type after the tick exists
    tick.OnTimer();
    EXPECT_EQ(log.lines.front(), "We found out that WinCC is stopped") << "the first real tick is still the first";
}

}  // namespace
}  // namespace ostrilo
