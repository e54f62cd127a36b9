#include "supervision/supervision_tick.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include <gtest/gtest.h>

#include "fakes/recording_log.h"
#include "fakes/recording_status_bar.h"

namespace ostrilo {
namespace {

using testing::RecordingLog;
using testing::RecordingStatusBar;
using Lines = std::vector<std::string>;

// A scripted Ostrilo.dll; every call lands in the shared journal.
class FakeBridge : public WinCCBridge {
public:
    explicit FakeBridge(Lines& journal) : journal_(journal) {}

    std::optional<std::int32_t> GetDLLVersion() override { return 2; }
    std::optional<std::int16_t> ConnectWinCCDMProc() override {
        journal_.push_back("Connect");
        return 1;
    }
    bool DisconnectWinCCDMProc() override { return true; }
    bool StartWinCCMsgService() override {
        journal_.push_back("StartService");
        return true;
    }
    bool StopWinCCMsgService() override {
        journal_.push_back("StopService");
        return true;
    }
    std::optional<std::int16_t> GetWinCCRuntimeProject(char* buffer, std::int16_t capacity) override {
        journal_.push_back("Project");
        return Fill(projectName, buffer, capacity);
    }
    std::optional<std::int16_t> GetWinCCCmnError(std::int32_t (&errorWords)[5], char* buffer,
                                                 std::int16_t capacity) override {
        journal_.push_back("Error");
        if (!errorCallWorks) return std::nullopt;
        errorWords[0] = firstErrorWord;
        return Fill("some error", buffer, capacity);
    }
    std::optional<std::int16_t> GetWinCCMsgServiceMessage(char* buffer, std::int16_t capacity) override {
        journal_.push_back("Fetch");
        if (!fetchWorks) return std::nullopt;
        if (countOverride) return *countOverride;
        if (waiting.empty()) return 0;
        const std::string message = waiting.front();
        waiting.pop_front();
        return Fill(message, buffer, capacity);
    }

    std::string projectName;
    std::int32_t firstErrorWord = 0;
    bool errorCallWorks = true;
    bool fetchWorks = true;
    std::optional<std::int16_t> countOverride;
    std::deque<std::string> waiting;
    std::int16_t lastCapacity = 0;

private:
    std::int16_t Fill(const std::string& text, char* buffer, std::int16_t capacity) {
        lastCapacity = capacity;
        const auto count = std::min<std::size_t>(text.size(), static_cast<std::size_t>(capacity));
        std::memcpy(buffer, text.data(), count);
        return static_cast<std::int16_t>(count);
    }
    Lines& journal_;
};

class FakeHalvex : public HalvexGateway {
public:
    explicit FakeHalvex(Lines& journal) : journal_(journal) {}
    bool SendToHalvex(const std::string& message) override {
        journal_.push_back("Send:" + message);
        sent.push_back(message);
        if (duringSend) duringSend();
        return true;
    }
    bool IsHalvexRunning() override { return running; }

    bool running = false;
    Lines sent;
    std::function<void()> duringSend;

private:
    Lines& journal_;
};

class FakeClock : public platform::Clock {
public:
    platform::LocalDateTime Now() override { return today; }
    double SecondsSinceMidnight() override { return 0; }
    std::string TimeSeparator() override { return ":"; }
    platform::LocalDateTime today{2024, 3, 15, 12, 0, 0};
};

std::size_t CountOf(const Lines& lines, const std::string& entry) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), entry));
}

class SupervisionTickTest : public ::testing::Test {
protected:
    SupervisionServices Services() {
        return {bridge,
                halvex,
                statusBar,
                clock,
                log,
                [this](const std::string& section) { journal.push_back("Notify:" + section); },
                [this](const std::string& extension, std::int32_t days) {
                    journal.push_back("Retention:" + extension + ":" + std::to_string(days));
                }};
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) tick.OnTimer();
    }
    std::vector<std::string> Fetched() const { return halvex.sent; }

    std::int32_t connectionType = 0;
    std::int32_t daysToKeep = 60;
    Lines journal;
    FakeBridge bridge{journal};
    FakeHalvex halvex{journal};
    RecordingStatusBar statusBar;
    FakeClock clock;
    RecordingLog log;
    SupervisionTick tick{{connectionType, daysToKeep, 100}, Services()};
};

TEST_F(SupervisionTickTest, FirstTickWithWinCCRunningReportsAndStartsTheServiceOnce) {
    bridge.projectName = "Plant";
    tick.OnTimer();
    EXPECT_EQ(log.lines, (Lines{"We found out that WinCC is running", "We found out that Halvex is stopped"}));
    EXPECT_EQ(journal, (Lines{"Project", "StartService", "Fetch", "Retention:.Log:60"}));
    EXPECT_EQ(statusBar.writes, (Lines{"2=RUN", "3=STOP"}));
}

TEST_F(SupervisionTickTest, FirstTickWithWinCCStoppedAsksForTheErrorAndFetchesNothing) {
    halvex.running = true;
    tick.OnTimer();
    EXPECT_EQ(log.lines, (Lines{"We found out that WinCC is stopped", "We found out that Halvex is running"}));
    EXPECT_EQ(journal, (Lines{"Project", "Error", "Retention:.Log:60"}));
    EXPECT_EQ(statusBar.writes, (Lines{"2=STOP", "3=RUN"}));
}

TEST_F(SupervisionTickTest, WinCCIsCheckedOnTheFirstTickThenEveryTenth) {
    Ticks(21);
    EXPECT_EQ(CountOf(journal, "Project"), 3u);
    Ticks(9);
    EXPECT_EQ(CountOf(journal, "Project"), 3u);
    tick.OnTimer();
    EXPECT_EQ(CountOf(journal, "Project"), 4u);
}

TEST_F(SupervisionTickTest, WinCCStartIsAnnouncedAndTheServiceStartedOneCheckLater) {
    tick.OnTimer();
    bridge.projectName = "Plant";
    journal.clear();
    log.lines.clear();
    Ticks(10);
    EXPECT_EQ(log.lines, Lines{"WinCC has recently been started"});
    EXPECT_EQ(CountOf(journal, "Notify:HalvexMessageWhenWinCCIsStarted"), 1u);
    EXPECT_EQ(CountOf(journal, "StartService"), 0u) << "the transition itself does not start the service";
    EXPECT_EQ(journal.back(), "Fetch") << "messages are requested from the detecting tick on";

    journal.clear();
    Ticks(10);
    const auto start = std::find(journal.begin(), journal.end(), "StartService");
    EXPECT_LT(start, std::find(journal.begin(), journal.end(), "Project")) << "started before the check asks";
    EXPECT_EQ(CountOf(journal, "StartService"), 1u);
    EXPECT_EQ(CountOf(journal, "Fetch"), 10u);
    EXPECT_EQ(CountOf(journal, "Notify:HalvexMessageWhenWinCCIsStarted"), 0u);
}

TEST_F(SupervisionTickTest, WinCCStopIsAnnouncedAndFetchingEnds) {
    bridge.projectName = "Plant";
    tick.OnTimer();
    bridge.projectName.clear();
    log.lines.clear();
    journal.clear();
    Ticks(10);
    EXPECT_EQ(log.lines, Lines{"WinCC has recently been stopped"});
    EXPECT_EQ(CountOf(journal, "Notify:HalvexMessageWhenWinCCIsStopped"), 1u);
    const auto check = std::find(journal.begin(), journal.end(), "Project");
    EXPECT_EQ(std::count(check, journal.end(), "Fetch"), 0) << "no fetch after the check found WinCC stopped";
    EXPECT_EQ(statusBar.panels[SupervisionTick::kWinCCPanel], "STOP");
}

TEST_F(SupervisionTickTest, ErrorWordsFourAndSevenActAtEveryCheckWhileStopped) {
    bridge.firstErrorWord = 4;
    Ticks(21);
    EXPECT_EQ(CountOf(journal, "StopService"), 3u);
    EXPECT_EQ(CountOf(journal, "Connect"), 0u);

    bridge.firstErrorWord = 7;
    Ticks(20);
    EXPECT_EQ(CountOf(journal, "Connect"), 2u);
    EXPECT_EQ(CountOf(journal, "StopService"), 3u);

    bridge.firstErrorWord = 5;
    bridge.errorCallWorks = false;
    Ticks(20);
    EXPECT_EQ(CountOf(journal, "Connect") + CountOf(journal, "StopService"), 5u);
}

TEST_F(SupervisionTickTest, BacklogIsRelayedTwentyPerTickInOrder) {
    bridge.projectName = "Plant";
    std::vector<std::string> expected;
    for (int i = 1; i <= 25; ++i) {
        bridge.waiting.push_back("alarm " + std::to_string(i));
        expected.push_back("alarm " + std::to_string(i));
    }
    tick.OnTimer();
    EXPECT_EQ(halvex.sent.size(), 20u);
    EXPECT_EQ(bridge.waiting.size(), 5u) << "a message is fetched only when it is relayed";
    tick.OnTimer();
    EXPECT_EQ(halvex.sent, expected);
}

TEST_F(SupervisionTickTest, LineBreaksAreRemovedAndEverythingElseKept) {
    bridge.projectName = "Plant";
    bridge.waiting = {"A\r\nB", "trailing  ", "\r\n", " \ttab\n"};
    tick.OnTimer();
    EXPECT_EQ(halvex.sent, (Lines{"AB", "trailing  ", "", " \ttab"}));
}

TEST_F(SupervisionTickTest, CountsAreClampedAndAFailedOrEmptyFetchEndsTheRelay) {
    bridge.projectName = "Plant";
    tick.OnTimer();
    EXPECT_EQ(bridge.lastCapacity, SupervisionTick::kMessageBufferLength);
    EXPECT_GE(SupervisionTick::kMessageBufferLength, 4096);

    bridge.countOverride = -1;
    journal.clear();
    tick.OnTimer();
    EXPECT_EQ(CountOf(journal, "Fetch"), 1u);

    bridge.countOverride = 32767;
    halvex.sent.clear();
    tick.OnTimer();
    ASSERT_EQ(halvex.sent.size(), 20u);
    EXPECT_EQ(halvex.sent[0].size(), static_cast<std::size_t>(SupervisionTick::kMessageBufferLength));

    bridge.countOverride.reset();
    bridge.fetchWorks = false;
    journal.clear();
    tick.OnTimer();
    EXPECT_EQ(CountOf(journal, "Fetch"), 1u);
}

TEST_F(SupervisionTickTest, ProjectNameCountBeyondTheBufferStillMeansRunning) {
    bridge.projectName = std::string(9000, 'P');
    tick.OnTimer();
    EXPECT_EQ(statusBar.panels[SupervisionTick::kWinCCPanel], "RUN");
}

TEST_F(SupervisionTickTest, NestedTickDoesNothingAndDoesNotCountItsInterval) {
    bridge.projectName = "Plant";
    bridge.waiting = {"m"};
    tick.OnTimer();
    int nested = 0;
    halvex.duringSend = [&] {
        ++nested;
        tick.OnTimer();
    };
    for (int i = 0; i < 9; ++i) {
        bridge.waiting.push_back("m" + std::to_string(i));
        tick.OnTimer();
    }
    EXPECT_EQ(nested, 9);
    EXPECT_EQ(CountOf(journal, "Project"), 1u) << "nested ticks must not bring the next check forward";
    EXPECT_EQ(halvex.sent.size(), 10u);
    tick.OnTimer();
    EXPECT_EQ(CountOf(journal, "Project"), 2u);
}

TEST_F(SupervisionTickTest, HalvexChangesAreLoggedOnceWithoutNotification) {
    tick.OnTimer();
    log.lines.clear();
    Ticks(3);
    EXPECT_TRUE(log.lines.empty());
    halvex.running = true;
    Ticks(3);
    EXPECT_EQ(log.lines, Lines{"Halvex has recently been started"});
    halvex.running = false;
    tick.OnTimer();
    EXPECT_EQ(log.lines.back(), "Halvex has recently been stopped");
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const std::string& e) { return e.rfind("Notify:", 0) == 0; }),
              0);
}

TEST_F(SupervisionTickTest, PanelsAreWrittenOnEveryTick) {
    Ticks(5);
    EXPECT_EQ(statusBar.writes.size(), 10u);
    EXPECT_EQ(statusBar.writes[8], "2=STOP");
    EXPECT_EQ(statusBar.writes[9], "3=STOP");
}

TEST_F(SupervisionTickTest, RetentionRunsOnFirstTickAndOnceOnEachNewDayIncludingMonthChange) {
    daysToKeep = 14;
    clock.today = {2024, 3, 30, 23, 59, 0};
    Ticks(5);
    clock.today = {2024, 3, 31, 0, 0, 0};
    Ticks(5);
    clock.today = {2024, 4, 1, 0, 0, 0};
    Ticks(5);
    EXPECT_EQ(CountOf(journal, "Retention:.Log:14"), 3u);
}

TEST_F(SupervisionTickTest, DisabledExportLeavesEverythingUntouched) {
    connectionType = -1;
    Ticks(20);
    EXPECT_TRUE(journal.empty());
    EXPECT_TRUE(log.lines.empty());
    EXPECT_TRUE(statusBar.writes.empty());

    connectionType = 1;  // start-up settles the type after the tick exists
    tick.OnTimer();
    EXPECT_EQ(log.lines.front(), "We found out that WinCC is stopped") << "the first real tick is still the first";
}

}  // namespace
}  // namespace ostrilo
