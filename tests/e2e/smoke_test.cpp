// The harness under Wine, end to end: a stand-in window program is started, watched
// through its log, read and closed through the probe, and everything is cleaned away.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iostream>

#include "harness/ostrilo_run.h"

namespace ostrilo::e2e {
namespace {

using testing::ElementsAre;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class StandInWindowTest : public OstriloE2eTest {
protected:
    RunLayout Layout(const BuildOutputs& outputs) const override { return {outputs.FakeWindow(), {}}; }
};

TEST_F(StandInWindowTest, StartsIsReadThroughTheProbeClosesAndLeavesNothingBehind) {
    const auto testStart = Clock::now();
    const double setup = std::chrono::duration<double>(run->Prefix().SetupTime()).count();
    const std::filesystem::path prefix = run->Prefix().Directory();

    const auto started = Clock::now();
    run->Start();
    ASSERT_TRUE(run->WaitForLog("Fake window ready"));
    const double firstLogLine = SecondsSince(started);

    const CommandResult lines = run->Probe("list-lines");
    ASSERT_TRUE(lines.Succeeded()) << lines.Describe();
    EXPECT_THAT(lines.Lines(), ElementsAre("Fake window ready"));

    const CommandResult panels = run->Probe("panels");
    ASSERT_TRUE(panels.Succeeded()) << panels.Describe();
    EXPECT_THAT(panels.Lines(), ElementsAre("Socket connection status", "WinCC run status", "Halvex run status",
                                            "date", "time"));

    ASSERT_TRUE(run->Probe("close").Succeeded());
    EXPECT_EQ(run->WaitForExit(), 0);
    EXPECT_THAT(run->LogMessages(), ElementsAre("Fake window ready", "Fake window closing"));

    EXPECT_FALSE(ProcessesOfPrefix(prefix).empty()) << "the prefix's wineserver should still serve it";
    run.reset();
    EXPECT_THAT(ProcessesOfPrefix(prefix), testing::IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(prefix));

    std::cout << "[ timing   ] prefix set-up " << setup << " s, start to first log line " << firstLogLine
              << " s, whole test " << setup + SecondsSince(testStart) << " s\n";
}

TEST_F(StandInWindowTest, ProbeAnswersTheMessageBoxWithOk) {
    run->Start({"box"});
    const CommandResult box = run->Probe("answer-box 20");
    ASSERT_TRUE(box.Succeeded()) << box.Describe();
    EXPECT_THAT(box.Lines(), ElementsAre("Fake question"));
    // 1 is IDOK; closing the box instead would have answered IDCANCEL (2).
    EXPECT_TRUE(run->WaitForLog("Message box answered 1"));
}

TEST_F(StandInWindowTest, ProbeFailsInTimeWhenThereIsNothingToFind) {
    for (const char* command : {"wait-window 1", "answer-box 1"}) {
        const auto started = Clock::now();
        const CommandResult result = run->Probe(command);
        EXPECT_EQ(result.exitCode, 1) << command << "\n" << result.Describe();
        EXPECT_THAT(result.err, testing::HasSubstr("within 1 s")) << command;
        EXPECT_LT(SecondsSince(started), 10) << command;
    }
}

TEST_F(StandInWindowTest, RegistryValuesReachTheProgramKeyAsGiven) {
    run->SetRegistry("ConnectionType", "1 ");
    run->SetRegistryDword("ServerPort", 0xFFFFFFFFu);
    const CommandResult query = run->Wine({"reg", "query", "HKLM\\SOFTWARE\\Fennmark\\Ostrilo\\Version 1"});
    ASSERT_TRUE(query.Succeeded()) << query.Describe();
    EXPECT_THAT(query.out, testing::ContainsRegex("ConnectionType +REG_SZ +1 \r?\n"));
    EXPECT_THAT(query.out, testing::ContainsRegex("ServerPort +REG_DWORD +0xffffffff"));
}

TEST_F(StandInWindowTest, RunsFromTheRootOfADriveAndIsEndedByTheHarness) {
    run->PlaceProgramAtDriveRoot();
    run->Start();
    // The program finds its folder as P:\ and writes its log there.
    ASSERT_TRUE(run->WaitForLog("Fake window ready"));
    EXPECT_TRUE(std::filesystem::exists(run->ProgramDir() / "LogFiles"));
    // Left running on purpose: the harness's tear-down must end it.
}

}  // namespace
}  // namespace ostrilo::e2e
