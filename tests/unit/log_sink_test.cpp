#include "logging/log_sink.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "fakes/fake_logging.h"

namespace ostrilo {
namespace {

using logging_fakes::At;

const std::string kFolder = "C:\\Plant\\LogFiles";
const std::string kDayFile = kFolder + "\\2026-12-05.Log";

class LogSinkTest : public ::testing::Test {
protected:
    LogSinkTest() { sink.AttachList(&list); }

    std::string appDirectory = "C:\\Plant\\";
    logging_fakes::ScriptedClock clock;
    logging_fakes::RecordingFileSystem files;
    logging_fakes::MemoryLogList list;
    LogSink sink{clock, files, appDirectory};
};

TEST_F(LogSinkTest, OnlyLeadingHyphenMakesSeparatorAndEmptyMessageIsStamped) {
    const std::string hyphens(120, '-');
    sink.WriteLog(hyphens);
    sink.WriteLog(" -indented");
    sink.WriteLog("");

    EXPECT_EQ(files.contents[kDayFile], hyphens + "\r\n14:03:07.250\t -indented\r\n14:03:07.250\t\r\n");
    const std::vector<std::string> expected = {"2026-12-05 14:03:07.250  -indented", "2026-12-05 14:03:07.250 "};
    EXPECT_EQ(list.lines, expected);
}

TEST_F(LogSinkTest, CallStartedBeforeMidnightKeepsThatDayWithLaterStamps) {
    clock.now = {At(2027, 1, 1, 23, 59, 59), At(2027, 1, 2, 0, 0, 0)};
    clock.seconds = {0.004, 0.005};  // two separate stamps, file first
    sink.WriteLog("late");

    EXPECT_EQ(files.contents[kFolder + "\\2027-01-01.Log"], "00:00:00.004\tlate\r\n");
    EXPECT_EQ(list.lines.at(0), "2027-01-01 00:00:00.005 late");
}

TEST_F(LogSinkTest, FileTroubleNeverKeepsTheLineFromTheList) {
    files.failing = kFolder;  // the folder exists already, the usual case
    sink.WriteLog("one");
    files.failing = kDayFile;
    sink.WriteLog("two");
    files.throwing = kDayFile;
    EXPECT_NO_THROW(sink.WriteLog("three"));

    EXPECT_EQ(files.contents[kDayFile], "14:03:07.250\tone\r\n");
    EXPECT_EQ(files.calls.size(), 6u) << "the folder is created and the file opened at every call";
    EXPECT_EQ(list.lines.size(), 3u);
    EXPECT_EQ(list.selected, 2);
}

TEST_F(LogSinkTest, LineBeyondTwoHundredDropsOldestAndSelectsNewest) {
    for (int i = 1; i <= 201; ++i) sink.WriteLog("line " + std::to_string(i));

    ASSERT_EQ(list.lines.size(), 200u);
    EXPECT_EQ(list.lines.front(), "2026-12-05 14:03:07.250 line 2");
    EXPECT_EQ(list.lines.back(), "2026-12-05 14:03:07.250 line 201");
    EXPECT_EQ(list.selected, 199);
}

TEST_F(LogSinkTest, ListThatWillNotShrinkDoesNotHangTheCaller) {
    list.lines.assign(200, "old");
    list.removeFails = true;
    sink.WriteLog("a");
    list.removeFails = false;
    list.removeKeepsLine = true;
    sink.WriteLog("b");

    EXPECT_EQ(list.lines.size(), 202u);
    EXPECT_EQ(list.selected, 201);
}

TEST(FormatTimeOfDayTest, MillisecondsAreRoundedFromTheSecondsCounter) {
    logging_fakes::ScriptedClock clock;
    clock.now = {At(2026, 1, 1, 9, 8, 59)};
    const std::vector<std::pair<double, std::string>> cases = {
        {59.9996, "000"}, {12.3456, "346"}, {0.07, "070"}, {0.0, "000"},
        {std::numeric_limits<double>::quiet_NaN(), "000"}, {1e308, "000"}};
    for (const auto& [seconds, milliseconds] : cases) {
        clock.seconds = {seconds};
        EXPECT_EQ(FormatTimeOfDay(clock), "09:08:59." + milliseconds) << seconds;
    }
}

TEST(FormatTimeOfDayTest, UsesUserSeparatorUnlessItIsEmptyOrOversized) {
    logging_fakes::ScriptedClock clock;
    clock.now = {At(2026, 1, 1, 9, 8, 7)};
    const std::vector<std::pair<std::string, std::string>> cases = {
        {".", "09.08.07.500"}, {" : ", "09 : 08 : 07.500"}, {"", "09:08:07.500"}, {"####", "09:08:07.500"}};
    for (const auto& [separator, stamp] : cases) {
        clock.separator = separator;
        clock.seconds = {0.5};
        EXPECT_EQ(FormatTimeOfDay(clock), stamp) << '"' << separator << '"';
    }
}

}  // namespace
}  // namespace ostrilo
