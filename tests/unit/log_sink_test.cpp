#include "logging/log_sink.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "logging_fakes.h"

namespace ostrilo {
namespace {

using logging_fakes::At;
using logging_fakes::MemoryLogList;
using logging_fakes::RecordingFileSystem;
using logging_fakes::ScriptedClock;

const std::string kDayFile = "C:\\Plant\\LogFiles\\2026-12-05.Log";

class LogSinkTest : public ::testing::Test {
protected:
    LogSinkTest() { sink.AttachList(&list); }

    std::string appDirectory = "C:\\Plant\\";
    ScriptedClock clock;
    RecordingFileSystem files;
    MemoryLogList list;
    LogSink sink{clock, files, appDirectory};
};

// --- line formats -------------------------------------------------------------------

TEST_F(LogSinkTest, OrdinaryMessageGetsStampedFileLineAndDatedListLine) {
    sink.WriteLog("Shutting down Ostrilo");

    EXPECT_EQ(files.contents[kDayFile], "14:03:07.250\tShutting down Ostrilo\r\n");
    ASSERT_EQ(list.lines.size(), 1u);
    EXPECT_EQ(list.lines[0], "2026-12-05 14:03:07.250 Shutting down Ostrilo");
    EXPECT_EQ(list.selected, 0);
}

TEST_F(LogSinkTest, SeparatorGoesToFileUnchangedAndNeverToList) {
    const std::string hyphens(120, '-');
    sink.WriteLog(hyphens);
    sink.WriteLog("-x\tkept as is");

    EXPECT_EQ(files.contents[kDayFile], hyphens + "\r\n" + "-x\tkept as is\r\n");
    EXPECT_TRUE(list.lines.empty());
}

TEST_F(LogSinkTest, OnlyHyphenInFirstPlaceMakesSeparator) {
    sink.WriteLog(" -indented");
    sink.WriteLog("a-b");

    EXPECT_EQ(files.contents[kDayFile], "14:03:07.250\t -indented\r\n14:03:07.250\ta-b\r\n");
    EXPECT_EQ(list.lines.size(), 2u);
}

TEST_F(LogSinkTest, EmptyMessageIsStampedNotTreatedAsSeparator) {
    sink.WriteLog("");

    EXPECT_EQ(files.contents[kDayFile], "14:03:07.250\t\r\n");
    ASSERT_EQ(list.lines.size(), 1u);
    EXPECT_EQ(list.lines[0], "2026-12-05 14:03:07.250 ");
}

TEST_F(LogSinkTest, LongMessageWithAnyBytesIsWrittenWhole) {
    std::string message(5000, 'A');
    message[10] = '\xE9';  // an ANSI letter
    message[20] = '\0';
    message[30] = '\t';
    sink.WriteLog(message);

    EXPECT_EQ(files.contents[kDayFile], "14:03:07.250\t" + message + "\r\n");
    EXPECT_EQ(list.lines.at(0), "2026-12-05 14:03:07.250 " + message);
}

TEST_F(LogSinkTest, DayFileAndListDateArePaddedYearFirst) {
    clock.nowReadings = {At(2027, 1, 2, 3, 4, 5)};
    clock.secondsReadings = {11045.007};
    sink.WriteLog("m");

    EXPECT_EQ(files.contents["C:\\Plant\\LogFiles\\2027-01-02.Log"], "03:04:05.007\tm\r\n");
    EXPECT_EQ(list.lines.at(0), "2027-01-02 03:04:05.007 m");
}

// --- clock readings -------------------------------------------------------------------

TEST_F(LogSinkTest, CallStartedBeforeMidnightStaysWithThatDay) {
    clock.nowReadings = {At(2026, 12, 5, 23, 59, 59), At(2026, 12, 6, 0, 0, 0)};
    clock.secondsReadings = {0.004, 0.005};
    sink.WriteLog("late");

    EXPECT_EQ(files.contents[kDayFile], "00:00:00.004\tlate\r\n");
    EXPECT_EQ(files.contents.count("C:\\Plant\\LogFiles\\2026-12-06.Log"), 0u);
    EXPECT_EQ(list.lines.at(0), "2026-12-05 00:00:00.005 late");
}

TEST_F(LogSinkTest, FileAndListLineTakeSeparateStamps) {
    clock.secondsReadings = {50587.25, 50587.262};
    sink.WriteLog("m");

    EXPECT_EQ(files.contents[kDayFile], "14:03:07.250\tm\r\n");
    EXPECT_EQ(list.lines.at(0), "2026-12-05 14:03:07.262 m");
}

TEST(FormatTimeOfDayTest, MillisecondsAreRoundedFromTheSecondsCounter) {
    ScriptedClock clock;
    clock.nowReadings = {At(2026, 1, 1, 0, 0, 59)};

    clock.secondsReadings = {59.9996};  // rounds up into the next second
    EXPECT_EQ(FormatTimeOfDay(clock), "00:00:59.000");
    clock.secondsReadings = {12.3456};
    EXPECT_EQ(FormatTimeOfDay(clock), "00:00:59.346");
    clock.secondsReadings = {0.0};
    EXPECT_EQ(FormatTimeOfDay(clock), "00:00:59.000");
    clock.secondsReadings = {0.07};
    EXPECT_EQ(FormatTimeOfDay(clock), "00:00:59.070");
}

TEST(FormatTimeOfDayTest, UnusableCounterGivesZeroMilliseconds) {
    ScriptedClock clock;
    clock.nowReadings = {At(2026, 1, 1, 9, 8, 7)};
    clock.secondsReadings = {std::numeric_limits<double>::quiet_NaN()};
    EXPECT_EQ(FormatTimeOfDay(clock), "09:08:07.000");
    clock.secondsReadings = {1e308};
    EXPECT_EQ(FormatTimeOfDay(clock), "09:08:07.000");
}

TEST(FormatTimeOfDayTest, UsesUserSeparatorAndFallsBackToColon) {
    ScriptedClock clock;
    clock.nowReadings = {At(2026, 1, 1, 9, 8, 7)};
    clock.secondsReadings = {32887.5};

    clock.separator = ".";
    EXPECT_EQ(FormatTimeOfDay(clock), "09.08.07.500");
    clock.separator = "h";
    EXPECT_EQ(FormatTimeOfDay(clock), "09h08h07.500");
    clock.separator = " : ";
    EXPECT_EQ(FormatTimeOfDay(clock), "09 : 08 : 07.500");
    clock.separator = "";
    EXPECT_EQ(FormatTimeOfDay(clock), "09:08:07.500");
    clock.separator = std::string(5000, '#');
    EXPECT_EQ(FormatTimeOfDay(clock), "09:08:07.500");
}

// --- folder and failures -------------------------------------------------------------

TEST_F(LogSinkTest, FolderIsCreatedBeforeEveryAppend) {
    sink.WriteLog("one");
    sink.WriteLog("-----");

    const std::vector<std::string> expected = {"mkdir C:\\Plant\\LogFiles", "append " + kDayFile,
                                               "mkdir C:\\Plant\\LogFiles", "append " + kDayFile};
    EXPECT_EQ(files.calls, expected);
}

TEST_F(LogSinkTest, FailingFolderCreationStillAppends) {
    files.makeFolderFails = true;
    sink.WriteLog("m");
    EXPECT_EQ(files.contents[kDayFile], "14:03:07.250\tm\r\n");
}

TEST_F(LogSinkTest, FailingOrThrowingFileStillReachesList) {
    files.appendFails = true;
    sink.WriteLog("first");
    files.appendFails = false;
    files.appendThrows = true;
    EXPECT_NO_THROW(sink.WriteLog("second"));

    ASSERT_EQ(list.lines.size(), 2u);
    EXPECT_EQ(list.lines[1], "2026-12-05 14:03:07.250 second");
    EXPECT_EQ(list.selected, 1);
}

TEST_F(LogSinkTest, DirectorySettledAfterConstructionIsUsed) {
    appDirectory = "D:\\Later\\";
    sink.WriteLog("m");
    EXPECT_EQ(files.calls.at(0), "mkdir D:\\Later\\LogFiles");
}

TEST(LogSinkWithoutListTest, WritesFileBeforeWindowExists) {
    const std::string appDirectory = "C:\\Plant\\";
    ScriptedClock clock;
    RecordingFileSystem files;
    LogSink sink(clock, files, appDirectory);

    sink.WriteLog("early");
    EXPECT_EQ(files.contents[kDayFile], "14:03:07.250\tearly\r\n");
}

// --- list bound ----------------------------------------------------------------------

TEST_F(LogSinkTest, LineBeyondTwoHundredDropsOldestAndSelectsNewest) {
    for (int i = 1; i <= 201; ++i) {
        sink.WriteLog("line " + std::to_string(i));
    }
    ASSERT_EQ(list.lines.size(), 200u);
    EXPECT_EQ(list.lines.front(), "2026-12-05 14:03:07.250 line 2");
    EXPECT_EQ(list.lines.back(), "2026-12-05 14:03:07.250 line 201");
    EXPECT_EQ(list.selected, 199);
}

TEST_F(LogSinkTest, OverfullListIsTrimmedInOneCall) {
    list.lines.assign(250, "old");
    sink.WriteLog("new");
    EXPECT_EQ(list.lines.size(), 200u);
    EXPECT_EQ(list.lines.back(), "2026-12-05 14:03:07.250 new");
}

TEST_F(LogSinkTest, ListThatWillNotShrinkDoesNotHangTheCaller) {
    list.lines.assign(200, "old");
    list.removeFails = true;
    sink.WriteLog("a");
    list.removeFails = false;
    list.removeDoesNothing = true;
    sink.WriteLog("b");

    EXPECT_EQ(list.lines.size(), 202u);
    EXPECT_EQ(list.selected, 201);
}

}  // namespace
}  // namespace ostrilo
