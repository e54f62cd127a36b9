#include "supervision/supervision_tick.h"

#include <algorithm>
#include <cstring>
#include <deque>

#include <gtest/gtest.h>

#include "fakes/fake_logging.h"
#include "fakes/recording_log.h"
#include "fakes/recording_status_bar.h"

namespace ostrilo {
namespace {

using Lines = std::vector<std::string>;

// A scripted Ostrilo.dll, the alarm server and the two callbacks, all writing to one journal.
class FakeBridge : public WinCCBridge {
public:
    explicit FakeBridge(Lines& journal) : journal_(journal) {}
    std::optional<std::int32_t> GetDLLVersion() override { return 2; }
    std::optional<std::int16_t> ConnectWinCCDMProc() override { return Record("Connect"), 1; }
    bool DisconnectWinCCDMProc() override { return true; }
    bool StartWinCCMsgService() override { return Record("StartService"), true; }
    bool StopWinCCMsgService() override { return Record("StopService"), true; }
    std::optional<std::int16_t> GetWinCCRuntimeProject(char* buffer, std::int16_t capacity) override {
        return Record("Project"), Fill(projectName, buffer, capacity);
    }
    std::optional<std::int16_t> GetWinCCCmnError(std::int32_t (&words)[5], char*, std::int16_t) override {
        Record("Error");
        if (!errorCallWorks) return std::nullopt;
        words[0] = firstErrorWord;
        return 0;
    }
    std::optional<std::int16_t> GetWinCCMsgServiceMessage(char* buffer, std::int16_t capacity) override {
        Record("Fetch");
        if (countOverride) return *countOverride;
        if (waiting.empty()) return 0;
        const std::string message = waiting.front();
        waiting.pop_front();
        return Fill(message, buffer, capacity);
    }

    std::string projectName;
    std::int32_t firstErrorWord = 0;
    bool errorCallWorks = true;
    std::optional<std::optional<std::int16_t>> countOverride;  // inner empty: the call fails
    std::deque<std::string> waiting;

private:
    void Record(const char* call) { journal_.push_back(call); }
    static std::int16_t Fill(const std::string& text, char* buffer, std::int16_t capacity) {
        const auto count = std::min<std::size_t>(text.size(), static_cast<std::size_t>(capacity));
        std::memcpy(buffer, text.data(), count);
        return static_cast<std::int16_t>(text.size());  // the full length, as a careless library might
    }
    Lines& journal_;
};

class FakeHalvex : public HalvexGateway {
public:
    bool SendToHalvex(const std::string& message) override {
        sent.push_back(message);
        if (duringSend) duringSend();
        return true;
    }
    bool IsHalvexRunning() override { return running; }
    bool running = false;
    Lines sent;
    std::function<void()> duringSend;
};

class SupervisionTickTest : public ::testing::Test {
protected:
    SupervisionTickTest() { clock.now = {{2024, 3, 15, 12, 0, 0}}; }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) tick.OnTimer();
    }
    std::size_t Count(const std::string& entry) const {
        return static_cast<std::size_t>(std::count(journal.begin(), journal.end(), entry));
    }
    void Forget() {
        journal.clear();
        log.lines.clear();
    }

    std::int32_t connectionType = 0;
    std::int32_t daysToKeep = 60;
    Lines journal;
    FakeBridge bridge{journal};
    FakeHalvex halvex;
    testing::RecordingStatusBar statusBar;
    logging_fakes::ScriptedClock clock;
    testing::RecordingLog log;
    SupervisionTick tick{{connectionType, daysToKeep, 100},
                         {bridge, halvex, statusBar, clock, log,
                          [this](const std::string& section) { journal.push_back("Notify:" + section); },
                          [this](const std::string& extension, std::int32_t days) {
                              journal.push_back("Retention:" + extension + ":" + std::to_string(days));
                          }}};
};

TEST_F(SupervisionTickTest, FirstTickReportsWhatItFindsWithoutNotifying) {
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

TEST_F(SupervisionTickTest, WinCCStartIsAnnouncedAndTheServiceStartedOneCheckLater) {
    tick.OnTimer();
    bridge.projectName = "Plant";
    Forget();
    Ticks(10);
    EXPECT_EQ(log.lines, Lines{"WinCC has recently been started"});
    EXPECT_EQ(journal, (Lines{"Project", "Notify:HalvexMessageWhenWinCCIsStarted", "Fetch"}));

    Forget();
    Ticks(10);
    EXPECT_EQ(Count("Fetch"), 10u);
    EXPECT_EQ(Count("StartService"), 1u);
    EXPECT_LT(std::find(journal.begin(), journal.end(), "StartService"),
              std::find(journal.begin(), journal.end(), "Project"));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(SupervisionTickTest, WinCCStopIsAnnouncedAndFetchingEnds) {
    bridge.projectName = "Plant";
    tick.OnTimer();
    bridge.projectName.clear();
    Forget();
    Ticks(20);
    EXPECT_EQ(log.lines, Lines{"WinCC has recently been stopped"});
    EXPECT_EQ(Count("Notify:HalvexMessageWhenWinCCIsStopped"), 1u);
    const auto check = std::find(journal.begin(), journal.end(), "Project");
    EXPECT_EQ(std::count(check, journal.end(), "Fetch"), 0);
    EXPECT_EQ(statusBar.panels[SupervisionTick::kWinCCPanel], "STOP");
}

TEST_F(SupervisionTickTest, ErrorWordsFourAndSevenActAtEveryCheckOnTheFirstAndEveryTenthTick) {
    bridge.firstErrorWord = 4;
    Ticks(21);
    EXPECT_EQ(Count("StopService"), 3u);
    bridge.firstErrorWord = 7;
    Ticks(20);
    EXPECT_EQ(Count("Connect"), 2u);
    bridge.errorCallWorks = false;
    Ticks(20);
    EXPECT_EQ(Count("Connect") + Count("StopService"), 5u) << "a failed error call means no action";
}

TEST_F(SupervisionTickTest, BacklogIsRelayedTwentyPerTickInOrder) {
    bridge.projectName = "Plant";
    Lines expected;
    for (int i = 1; i <= 25; ++i) expected.push_back("alarm " + std::to_string(i));
    bridge.waiting.assign(expected.begin(), expected.end());
    tick.OnTimer();
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

TEST_F(SupervisionTickTest, LibraryCountsAreClampedToTheBufferAndBadCountsEndTheRelay) {
    bridge.projectName = std::string(9000, 'P');
    bridge.waiting = {std::string(9000, 'M')};
    tick.OnTimer();
    EXPECT_EQ(statusBar.panels[SupervisionTick::kWinCCPanel], "RUN");
    ASSERT_EQ(halvex.sent.size(), 1u);
    EXPECT_EQ(halvex.sent[0].size(), static_cast<std::size_t>(SupervisionTick::kMessageBufferLength));
    EXPECT_GE(SupervisionTick::kMessageBufferLength, 4096);

    // An overstated count must not resend the text an earlier alarm left in the buffer.
    bridge.countOverride = std::optional<std::int16_t>(20);
    tick.OnTimer();
    ASSERT_GE(halvex.sent.size(), 2u);
    EXPECT_EQ(halvex.sent[1], std::string(20, '\0'));

    for (std::optional<std::int16_t> bad : {std::optional<std::int16_t>(-1), std::optional<std::int16_t>()}) {
        bridge.countOverride = bad;
        journal.clear();
        tick.OnTimer();
        EXPECT_EQ(Count("Fetch"), 1u);
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
    EXPECT_EQ(Count("Project"), 1u) << "nested ticks must not bring the next check forward";
    tick.OnTimer();
    EXPECT_EQ(Count("Project"), 2u);
}

TEST_F(SupervisionTickTest, HalvexChangesAreLoggedOnceWithoutNotification) {
    tick.OnTimer();
    Forget();
    Ticks(3);
    halvex.running = true;
    Ticks(3);
    halvex.running = false;
    tick.OnTimer();
    EXPECT_EQ(log.lines, (Lines{"Halvex has recently been started", "Halvex has recently been stopped"}));
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(statusBar.writes.size(), 16u) << "both panels are written on every tick";
}

TEST_F(SupervisionTickTest, RetentionRunsOnFirstTickAndOnceOnEachNewDayAcrossMonthEnds) {
    daysToKeep = 14;
    for (int day : {30, 31, 1}) {
        clock.now = {{2024, day == 1 ? 4 : 3, day, 0, 0, 0}};
        Ticks(5);
    }
    EXPECT_EQ(Count("Retention:.Log:14"), 3u);
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
