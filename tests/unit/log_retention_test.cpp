#include "logging/log_retention.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "logging_fakes.h"

namespace ostrilo {
namespace {

using logging_fakes::At;
using logging_fakes::RecordingFileSystem;
using logging_fakes::ScriptedClock;

std::int64_t AgeOf(const std::string& name, const platform::LocalDateTime& today) {
    const std::optional<DayFile> dayFile = ReadDayFile(name, ".Log", today);
    EXPECT_TRUE(dayFile.has_value()) << name;
    return dayFile ? dayFile->ageInDays : -999999;
}

// --- the age rule ------------------------------------------------------------------------

TEST(DayFileAgeTest, CountsYearsAs365AndMonthsAs30Days) {
    EXPECT_EQ(AgeOf("2026-10-05.Log", At(2026, 12, 5)), 60);
    EXPECT_EQ(AgeOf("2026-10-04.Log", At(2026, 12, 5)), 61);
    EXPECT_EQ(AgeOf("2026-12-31.Log", At(2027, 1, 1)), 5);
    EXPECT_EQ(AgeOf("2026-02-28.Log", At(2026, 3, 1)), 3);
    EXPECT_EQ(AgeOf("2026-07-31.Log", At(2026, 8, 1)), 0);
    EXPECT_EQ(AgeOf("2026-08-01.Log", At(2026, 8, 1)), 0);
}

TEST(DayFileAgeTest, LaterDateGivesNegativeAge) {
    EXPECT_EQ(AgeOf("2026-08-02.Log", At(2026, 8, 1)), -1);
    EXPECT_EQ(AgeOf("2027-08-01.Log", At(2026, 8, 1)), -365);
}

TEST(DayFileAgeTest, FieldsWithoutLeadingDigitsReadAsZero) {
    EXPECT_EQ(AgeOf("XXXX-XX-XX.Log", At(2026, 12, 5)), 2026 * 365 + 12 * 30 + 5);
    // Only the leading digits of a field count: "2x26" is year 2, "1a" month 1.
    EXPECT_EQ(AgeOf("2x26-1a-0b.Log", At(2026, 12, 5)), (2026 - 2) * 365 + (12 - 1) * 30 + 5);
}

TEST(DayFileAgeTest, ExtensionMatchesInAnyCaseAndBaseIsUpperCased) {
    const auto dayFile = ReadDayFile("abcd-ef-gh.lOg", ".LOG", At(2026, 1, 1));
    ASSERT_TRUE(dayFile.has_value());
    EXPECT_EQ(dayFile->upperBaseName, "ABCD-EF-GH");
}

TEST(DayFileAgeTest, BaseMustBeExactlyTenCharacters) {
    const auto today = At(2026, 12, 5);
    for (const char* name : {"2026-1-01.Log", "2026-01-011.Log", "12026-01-01.Log", ".Log", "2026-01-01",
                             "2026-01-01.Txt", "2026-01-01Log"}) {
        EXPECT_FALSE(ReadDayFile(name, ".Log", today).has_value()) << name;
    }
    EXPECT_FALSE(ReadDayFile("2026-01-01.Log", "", today).has_value());
}

TEST(DayFileAgeTest, FirstOccurrenceOfExtensionEndsTheBase) {
    // The base stops at the first ".LOG", so this name is no day file.
    EXPECT_FALSE(ReadDayFile("2026.LOG-01.Log", ".Log", At(2026, 12, 5)).has_value());
    EXPECT_TRUE(ReadDayFile("2026-01-01.Log.Log", ".Log", At(2026, 12, 5)).has_value());
}

TEST(DayFileAgeTest, NamesThatCouldLeaveTheFolderAreNoDayFiles) {
    const auto today = At(2026, 12, 5);
    for (const char* name : {"..\\2026-01.Log", "..\\..\\x-12.Log", "a/b\\cd-efg.Log", "C:2026-0-1.Log",
                             "2026-01..1.Log", "2026-01\n01.Log"}) {
        EXPECT_FALSE(ReadDayFile(name, ".Log", today).has_value()) << name;
    }
}

TEST(DayFileAgeTest, ArbitraryBytesNeverYieldAnUnsafeBase) {
    std::mt19937 random(20261205);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 20);
    for (int round = 0; round < 20000; ++round) {
        std::string name(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : name) c = static_cast<char>(byte(random));
        if (round % 2 == 0) name += ".Log";
        const auto dayFile = ReadDayFile(name, ".Log", At(2026, 12, 5));
        if (!dayFile) continue;
        ASSERT_EQ(dayFile->upperBaseName.size(), 10u);
        ASSERT_EQ(dayFile->upperBaseName.find_first_of("\\/:"), std::string::npos);
        ASSERT_GE(dayFile->ageInDays, 2026 * 365 + 12 * 30 + 5 - 9999 * 365 - 99 * 30 - 99);
    }
}

// --- deleting ----------------------------------------------------------------------------

class LogRetentionTest : public ::testing::Test {
protected:
    std::string appDirectory = "C:\\Plant\\";
    ScriptedClock clock;
    RecordingFileSystem files;
    DayFileRetention retention{clock, files, appDirectory};

    std::vector<std::string> Removed() const {
        std::vector<std::string> removed;
        for (const std::string& call : files.calls) {
            if (call.rfind("remove ", 0) == 0) removed.push_back(call.substr(7));
        }
        return removed;
    }
};

TEST_F(LogRetentionTest, ListsDayFilesOfTheLogFolder) {
    retention.DeleteOldLogFiles(".Log", 60);
    EXPECT_EQ(files.listedFolder, "C:\\Plant\\LogFiles\\");
    EXPECT_EQ(files.listedPattern, "\?\?\?\?-\?\?-\?\?.Log");  // escaped: no trigraphs
}

TEST_F(LogRetentionTest, DeletesOnlyFilesOlderThanThePeriod) {
    clock.nowReadings = {At(2026, 12, 5)};
    files.listing = {"2026-10-05.Log", "2026-10-04.Log", "2026-12-05.Log", "2025-01-01.Log"};
    retention.DeleteOldLogFiles(".Log", 60);

    const std::vector<std::string> expected = {"clear C:\\Plant\\LogFiles\\2026-10-04.Log",
                                               "remove C:\\Plant\\LogFiles\\2026-10-04.Log",
                                               "clear C:\\Plant\\LogFiles\\2025-01-01.Log",
                                               "remove C:\\Plant\\LogFiles\\2025-01-01.Log"};
    EXPECT_EQ(files.calls, expected);
}

TEST_F(LogRetentionTest, ZeroPeriodKeepsTodayAndNegativePeriodDeletesIt) {
    clock.nowReadings = {At(2026, 8, 1)};
    files.listing = {"2026-08-01.Log", "2026-07-31.Log", "2026-07-30.Log", "2026-08-02.Log"};

    retention.DeleteOldLogFiles(".Log", 0);
    EXPECT_EQ(Removed(), std::vector<std::string>{"C:\\Plant\\LogFiles\\2026-07-30.Log"});

    files.calls.clear();
    retention.DeleteOldLogFiles(".Log", -1);
    const std::vector<std::string> all = {"C:\\Plant\\LogFiles\\2026-08-01.Log", "C:\\Plant\\LogFiles\\2026-07-31.Log",
                                          "C:\\Plant\\LogFiles\\2026-07-30.Log"};
    EXPECT_EQ(Removed(), all);
}

TEST_F(LogRetentionTest, DeletesByUpperCasedBaseAndTheExtensionAsPassed) {
    files.listing = {"xxxx-xx-xx.log", "2026-01-01.LOG"};
    retention.DeleteOldLogFiles(".Log", 60);
    const std::vector<std::string> expected = {"C:\\Plant\\LogFiles\\XXXX-XX-XX.Log",
                                               "C:\\Plant\\LogFiles\\2026-01-01.Log"};
    EXPECT_EQ(Removed(), expected);
}

TEST_F(LogRetentionTest, WrongLengthAndUnsafeNamesAreLeftAlone) {
    files.listing = {"2026-1-01.Log", "2026-01-011.Log", "..\\2026-01.Log", "C:2026-0-1.Log", "notes.txt"};
    retention.DeleteOldLogFiles(".Log", 60);
    EXPECT_TRUE(files.calls.empty());
}

TEST_F(LogRetentionTest, ExtensionThatLeadsElsewhereTouchesNothing) {
    files.listing = {"2000-01-01.Log"};
    retention.DeleteOldLogFiles("\\..\\..\\x.Log", 60);
    retention.DeleteOldLogFiles("..", 60);
    EXPECT_TRUE(files.calls.empty());
}

TEST_F(LogRetentionTest, FailureOnOneFileDoesNotStopTheOthers) {
    files.listing = {"2000-01-01.Log", "2000-01-02.Log", "2000-01-03.Log"};
    files.removeFailsFor = "C:\\Plant\\LogFiles\\2000-01-01.Log";
    files.clearThrowsFor = "C:\\Plant\\LogFiles\\2000-01-02.Log";

    EXPECT_NO_THROW(retention.DeleteOldLogFiles(".Log", 60));
    const std::vector<std::string> expected = {"C:\\Plant\\LogFiles\\2000-01-01.Log",
                                               "C:\\Plant\\LogFiles\\2000-01-03.Log"};
    EXPECT_EQ(Removed(), expected);
}

}  // namespace
}  // namespace ostrilo
