// The harness under Wine, end to end with the real program: it is started, watched
// through its log, read and closed through the probe, and everything is cleaned away.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iostream>

#include "harness/ostrilo_run.h"

namespace ostrilo::e2e {
namespace {

using testing::ElementsAre;
using testing::EndsWith;
using Clock = std::chrono::steady_clock;

constexpr char kStartedNormally[] = "Ostrilo started as a normal application";

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

using HarnessTest = OstriloE2eTest;

TEST_F(HarnessTest, StartsIsReadThroughTheProbeClosesAndLeavesNothingBehind) {
    const auto testStart = Clock::now();
    const double setup = std::chrono::duration<double>(run->Prefix().SetupTime()).count();
    const std::filesystem::path prefix = run->Prefix().Directory();

    const auto started = Clock::now();
    run->Start();
    ASSERT_TRUE(run->WaitForLog(kStartedNormally));
    const double startedAfter = SecondsSince(started);

    const CommandResult lines = run->Probe("list-lines");
    ASSERT_TRUE(lines.Succeeded()) << lines.Describe();
    ASSERT_FALSE(lines.Lines().empty());
    EXPECT_THAT(lines.Lines().front(), EndsWith(" Ostrilo version 1.0.02 is starting"));

    ASSERT_TRUE(run->Probe("close").Succeeded());
    EXPECT_EQ(run->WaitForExit(), 0);
    EXPECT_EQ(run->LogMessages().back(), std::string(120, '-'));

    EXPECT_FALSE(ProcessesOfPrefix(prefix).empty()) << "the prefix's wineserver should still serve it";
    run.reset();
    EXPECT_THAT(ProcessesOfPrefix(prefix), testing::IsEmpty());
    EXPECT_FALSE(std::filesystem::exists(prefix));

    std::cout << "[ timing   ] prefix set-up " << setup << " s, start to end of start-up " << startedAfter
              << " s, whole test " << setup + SecondsSince(testStart) << " s\n";
}

TEST_F(HarnessTest, ProbeReadsAndAnswersTheMessageBox) {
    // Removing a service that was never installed fails and says so in a box.
    run->Start({"/U"});
    const CommandResult box = run->Probe("answer-box 20");
    ASSERT_TRUE(box.Succeeded()) << box.Describe();
    EXPECT_THAT(box.Lines(), ElementsAre("Ostrilo failed to uninstall as service"));
    // Only once the box is answered does the removal run go on to its end.
    EXPECT_EQ(run->WaitForExit(), 0);
}

TEST_F(HarnessTest, ProbeFailsInTimeWhenThereIsNothingToFind) {
    for (const char* command : {"wait-window 1", "answer-box 1"}) {
        const auto started = Clock::now();
        const CommandResult result = run->Probe(command);
        EXPECT_EQ(result.exitCode, 1) << command << "\n" << result.Describe();
        EXPECT_THAT(result.err, testing::HasSubstr("within 1 s")) << command;
        EXPECT_LT(SecondsSince(started), 10) << command;
    }
}

TEST_F(HarnessTest, RegistryValuesReachTheProgramKeyAsGiven) {
    run->SetRegistry("ConnectionType", "1 ");
    run->SetRegistryDword("ServerPort", 0xFFFFFFFFu);
    const CommandResult query = run->Wine({"reg", "query", "HKLM\\SOFTWARE\\Fennmark\\Ostrilo\\Version 1"});
    ASSERT_TRUE(query.Succeeded()) << query.Describe();
    EXPECT_THAT(query.out, testing::ContainsRegex("ConnectionType +REG_SZ +1 \r?\n"));
    EXPECT_THAT(query.out, testing::ContainsRegex("ServerPort +REG_DWORD +0xffffffff"));
}

TEST_F(HarnessTest, EndsAProgramLeftRunningFromTheRootOfADrive) {
    run->PlaceProgramAtDriveRoot();
    run->Start();
    ASSERT_TRUE(run->WaitForLog(kStartedNormally));
    // Left running on purpose: the harness's tear-down must end it.
}

}  // namespace
}  // namespace ostrilo::e2e
