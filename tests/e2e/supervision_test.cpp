// The supervision tick of the real program under Wine: how it follows WinCC through the
// bridge library, drains the alarm backlog, and clears old day logs on its first run.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <ctime>

#include "harness/alarm_accounting.h"
#include "harness/journal_lines.h"
#include "harness/ostrilo_run.h"
#include "harness/text_files.h"

namespace ostrilo::e2e {
namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::Not;

constexpr char kLibraryDelivery[] = "[General]\r\nConnectionType=0\r\n";
constexpr char kWinCCNotifications[] =
    "[HalvexMessageWhenWinCCIsStarted]\r\nEventType=1\r\nT0=WinCC up\r\nT2=x|y\r\n"
    "[HalvexMessageWhenWinCCIsStopped]\r\nEventType=2\r\nT0=WinCC down\r\n";

class SupervisionTest : public OstriloE2eTest {
protected:
    std::vector<std::string> Bridge() const { return run->JournalLines("Ostrilo"); }

    // Waits until the bridge has been asked for the project `checks` times in all.
    testing::AssertionResult WaitForChecks(std::size_t checks) {
        return run->WaitUntil([&] { return CountOf(Bridge(), "GetWinCCRuntimeProject") >= checks; },
                              std::to_string(checks) + " WinCC checks");
    }

    std::vector<std::string> Panels() {
        const CommandResult panels = run->Probe("panels");
        EXPECT_TRUE(panels.Succeeded()) << panels.Describe();
        return panels.Lines();
    }
};

TEST_F(SupervisionTest, FirstCheckFindingWinCCRunningReportsItAndStartsTheMessageServiceOnce) {
    run->WriteIni(std::string(kLibraryDelivery) + kWinCCNotifications);
    run->WriteControl("Ostrilo", "project=Plant A\n");
    run->WriteControl("Halvex2", "running=0\n");
    run->WriteControl("Halvex3", "running=0\n");
    run->Start();
    ASSERT_TRUE(WaitForChecks(2));

    const auto bridge = Bridge();
    const auto checks = PositionsOf(bridge, "GetWinCCRuntimeProject");
    EXPECT_EQ(bridge[checks[0]], "GetWinCCRuntimeProject 8192 -> 7 \"Plant A\"");
    // Nothing starts the service before the first check; the transition starts it once.
    EXPECT_EQ(CountOf(Between(bridge, 0, checks[0]), "StartWinCCMsgService"), 0u);
    EXPECT_EQ(bridge[checks[0] + 1], "StartWinCCMsgService -> 1");
    EXPECT_EQ(CountOf(Between(bridge, checks[0], checks[1]), "StartWinCCMsgService"), 2u)
        << "once in the transition, once more at the start of the next check";
    EXPECT_EQ(bridge[checks[1] - 1], "StartWinCCMsgService -> 1");
    EXPECT_EQ(CountOf(bridge, "GetWinCCCmnError"), 0u);
    EXPECT_GT(CountOf(Between(bridge, checks[0], checks[1]), "GetWinCCMsgServiceMessage 8192 0 -> 0"), 0u);

    const auto log = run->LogMessages();
    EXPECT_THAT(log, Contains("We found out that WinCC is running"));
    EXPECT_THAT(log, Contains("We found out that Halvex is stopped"));
    EXPECT_THAT(log, Not(Contains(testing::HasSubstr("recently"))));
    EXPECT_THAT(log, Not(Contains(testing::HasSubstr("Failed to queued"))))
        << "the first check reports what it finds without notifying Halvex";
    EXPECT_THAT(Panels(), ElementsAre("Socket connection status", "RUN", "STOP", testing::_, testing::_));
}

TEST_F(SupervisionTest, StoppedWinCCIsAskedForItsErrorAndTheFirstWordActsAtEveryCheck) {
    run->WriteIni(kLibraryDelivery);
    run->WriteControl("Ostrilo", "error_words=4,7,7,7,7\nmessages_need_service=0\n");
    QueueAlarms(*run, {"waits for WinCC"});
    run->Start();
    ASSERT_TRUE(WaitForChecks(3));

    auto bridge = Bridge();
    EXPECT_THAT(run->LogMessages(), Contains("We found out that WinCC is stopped"));
    auto checks = PositionsOf(bridge, "GetWinCCRuntimeProject");
    for (std::size_t check = 0; check < 2; ++check) {
        EXPECT_EQ(bridge[checks[check] + 1], "GetWinCCCmnError 8192 -> 0 4,7,7,7,7 \"\"") << "check " << check;
        EXPECT_EQ(bridge[checks[check] + 2], "StopWinCCMsgService -> 1") << "check " << check;
    }
    EXPECT_EQ(CountOf(bridge, "ConnectWinCCDMProc"), 1u) << "only start-up connects while the word is 4";

    // Word 7 reconnects instead, again at every check.
    run->WriteControl("Ostrilo", "error_words=7\nmessages_need_service=0\n");
    const std::size_t connectsBefore = CountOf(Bridge(), "ConnectWinCCDMProc");
    ASSERT_TRUE(run->WaitUntil([&] { return CountOf(Bridge(), "ConnectWinCCDMProc") >= connectsBefore + 2; },
                               "two reconnections"));
    bridge = Bridge();
    const auto connects = PositionsOf(bridge, "ConnectWinCCDMProc");
    for (std::size_t index = connectsBefore; index < connects.size(); ++index) {
        EXPECT_TRUE(StartsWith(bridge[connects[index] - 1], "GetWinCCCmnError 8192 -> 0 7,0,0,0,0"))
            << "reconnection " << index << " follows " << bridge[connects[index] - 1];
    }
    EXPECT_EQ(CountOf(bridge, "StartWinCCMsgService"), 0u);
    EXPECT_EQ(CountOf(bridge, "GetWinCCMsgServiceMessage"), 0u) << "a stopped WinCC is never asked for alarms";
    EXPECT_THAT(run->LogMessages(), Not(Contains(testing::HasSubstr("recently been"))));
}

TEST_F(SupervisionTest, WinCCStartingAndStoppingIsLoggedAnnouncedAndDrivesTheMessageService) {
    run->WriteIni(std::string(kLibraryDelivery) + kWinCCNotifications);
    run->Start();
    ASSERT_TRUE(run->WaitForLog("We found out that WinCC is stopped"));
    QueueAlarms(*run, {"first alarm"});

    run->WriteControl("Ostrilo", "project=P\n");
    ASSERT_TRUE(run->WaitForLog("WinCC has recently been started"));
    ASSERT_TRUE(run->WaitForLog("Queued Message to Halvex using Halvex3.DLL: first alarm"));
    auto bridge = Bridge();
    const std::size_t seen = PositionsOf(bridge, "GetWinCCRuntimeProject 8192 -> 1 \"P\"").front();
    const std::size_t started = PositionsOf(bridge, "StartWinCCMsgService").front();
    const std::size_t fetched = PositionsOf(bridge, "GetWinCCMsgServiceMessage 8192 0 -> 11 \"first alarm\"").front();
    // Alarms are asked for from the tick that saw WinCC start; the service follows one check later.
    EXPECT_EQ(bridge[seen + 1], "GetWinCCMsgServiceMessage 8192 0 -> 0");
    EXPECT_EQ(bridge[started + 1], "GetWinCCRuntimeProject 8192 -> 1 \"P\"");
    EXPECT_LT(started, fetched);
    EXPECT_EQ(CountOf(Between(bridge, seen + 1, started), "GetWinCCRuntimeProject"), 0u);

    const std::string upCommand = "TA:1|||WinCC up||x|y||||24";
    for (const char* library : {"Halvex2", "Halvex3"}) {
        EXPECT_THAT(run->JournalLines(library), Contains("SetCommandEntry \"" + upCommand + "\" 0 -> 0")) << library;
    }

    run->WriteControl("Ostrilo", "project=\nerror_words=4\n");
    ASSERT_TRUE(run->WaitForLog("WinCC has recently been stopped"));
    ASSERT_TRUE(run->WaitForJournal("Halvex3", "SetCommandEntry \"TA:2|||WinCC down||||||24\" 0 -> 0"));
    const std::string wordFour = "GetWinCCCmnError 8192 -> 0 4,";
    const std::size_t stopChecks = CountOf(Bridge(), wordFour);
    ASSERT_TRUE(WaitForChecks(CountOf(Bridge(), "GetWinCCRuntimeProject") + 1));
    bridge = Bridge();
    EXPECT_EQ(CountOf(bridge, wordFour), stopChecks + 1);
    EXPECT_EQ(CountOf(bridge, "StopWinCCMsgService"), stopChecks + 1);
    const std::size_t stoppedCheck = PositionsOf(bridge, wordFour).front();
    EXPECT_EQ(CountOf(Between(bridge, stoppedCheck, bridge.size()), "GetWinCCMsgServiceMessage"), 0u);

    const auto log = run->LogMessages();
    EXPECT_THAT(log, Contains("Queued Message to Halvex using Halvex2.DLL: 1|||WinCC up||x|y||"));
    EXPECT_THAT(log, Contains("Queued Message to Halvex using Halvex3.DLL: 2|||WinCC down||||"));
}

TEST_F(SupervisionTest, BacklogIsRelayedTwentyPerTickInOrderWithLineBreaksRemoved) {
    std::vector<std::string> backlog;
    for (int number = 1; number <= 25; ++number) backlog.push_back("alarm " + std::to_string(number));
    backlog[2] = "A\r\nB";
    backlog[3] = "trailing spaces  ";
    backlog[4] = "\r\n";
    backlog[5] = "\tleading tab|bar";
    backlog[6] = std::string("ANSI \xE9\xFC");
    run->WriteIni(kLibraryDelivery);
    run->WriteControl("Ostrilo", "project=P\n");
    QueueAlarms(*run, backlog);
    run->Start();

    AlarmAccount account;
    ASSERT_TRUE(run->WaitUntil(
        [&] { return AccountFor(*run, backlog, &account) && account.queuedWith3 == backlog.size(); },
        "every alarm queued with both libraries"))
        << AccountFor(*run, backlog).message();
    EXPECT_EQ(account.queuedWith2, 25u);
    const auto log = run->LogMessages();
    EXPECT_THAT(log, Contains("Queued Message to Halvex using Halvex2.DLL: AB"));
    EXPECT_THAT(log, Contains("Queued Message to Halvex using Halvex2.DLL: trailing spaces  "));
    EXPECT_THAT(log, Contains("Queued Message to Halvex using Halvex3.DLL: "));

    // Halvex2 is asked once per alarm before queueing it and once per tick for the
    // presence check; the latter, with no command after it, closes each tick.
    std::vector<std::size_t> perTick;
    std::size_t queuedThisTick = 0;
    const auto halvex2 = run->JournalLines("Halvex2");
    for (std::size_t index = 0; index < halvex2.size(); ++index) {
        if (StartsWith(halvex2[index], "SetCommandEntry")) {
            ++queuedThisTick;
        } else if (index + 1 < halvex2.size() && !StartsWith(halvex2[index + 1], "SetCommandEntry")) {
            if (queuedThisTick > 0) perTick.push_back(queuedThisTick);
            queuedThisTick = 0;
        }
    }
    // The last tick's presence check may not have reached the journal yet.
    if (queuedThisTick > 0) perTick.push_back(queuedThisTick);
    EXPECT_THAT(perTick, ElementsAre(20u, 5u));
}

class LogRetentionTest : public SupervisionTest {
protected:
    // "YYYY-MM-DD" of today shifted by whole years, which the retention counts as 365 days each.
    static std::string DayName(int yearsBack) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        char name[32];
        std::snprintf(name, sizeof name, "%04d-%02d-%02d", local.tm_year + 1900 - yearsBack, local.tm_mon + 1,
                      local.tm_mday);
        return name;
    }
    bool InLogFiles(const std::string& name) const {
        return std::filesystem::exists(run->ProgramDir() / "LogFiles" / name);
    }
};

TEST_F(LogRetentionTest, FirstTickDeletesOnlyDayFilesOlderThanTheDaysToKeep) {
    run->WriteIni(std::string(kLibraryDelivery) + "DaysToKeepLogFiles=365\r\n");
    const std::string keptAtLimit = DayName(1) + ".Log";
    const std::string old = DayName(2) + ".Log";
    const std::string oldReadOnly = DayName(3) + ".LOG";
    const std::string future = DayName(-1) + ".Log";
    const std::string noDigits = "XXXX-XX-XX.Log";
    const std::string shortName = DayName(5).substr(0, 9) + ".Log";
    const std::string otherName = "notes " + DayName(5) + ".txt";
    for (const auto& name : {keptAtLimit, old, oldReadOnly, future, noDigits, shortName, otherName}) {
        run->WriteProgramFile("LogFiles/" + name, "old line\r\n");
    }
    ASSERT_EQ(chmod((run->ProgramDir() / "LogFiles" / oldReadOnly).c_str(), 0444), 0);
    run->WriteProgramFile(old, "beside the program, not a log\r\n");
    run->Start();

    ASSERT_TRUE(run->WaitUntil([&] { return !InLogFiles(old); }, "deletion of " + old));
    // The retention runs within one tick; once a later check has run, it is complete.
    ASSERT_TRUE(WaitForChecks(2));
    EXPECT_FALSE(InLogFiles(oldReadOnly)) << "a read-only old day file is deleted too";
    EXPECT_FALSE(InLogFiles(noDigits)) << "a name without digits reads as year 0";
    EXPECT_TRUE(InLogFiles(keptAtLimit)) << "an age equal to the days to keep keeps the file";
    EXPECT_TRUE(InLogFiles(future));
    EXPECT_TRUE(InLogFiles(shortName)) << "only ten-character names are day files";
    EXPECT_TRUE(InLogFiles(otherName));
    EXPECT_TRUE(std::filesystem::exists(run->ProgramDir() / old)) << "nothing outside LogFiles is touched";
    EXPECT_TRUE(run->WaitForLog("We found out that Halvex is running"));
    EXPECT_TRUE(InLogFiles(DayLogFileName(std::time(nullptr))));
}

}  // namespace
}  // namespace ostrilo::e2e
