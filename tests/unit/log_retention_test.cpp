#include "logging/log_retention.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_logging.h"

namespace ostrilo {
namespace {

using logging_fakes::At;

TEST(DayFileAgeTest, CountsYearsAs365AndMonthsAs30Days) {
    struct Case {
        const char* name;
        platform::LocalDateTime today;
        std::int64_t age;
    };
    const Case cases[] = {
        {"2026-10-05.Log", At(2026, 12, 5), 60},  {"2026-10-04.Log", At(2026, 12, 5), 61},
        {"2026-12-31.Log", At(2027, 1, 1), 5},    {"2026-02-28.Log", At(2026, 3, 1), 3},
        {"2026-07-31.Log", At(2026, 8, 1), 0},    {"2027-08-01.Log", At(2026, 8, 1), -365},
        {"XXXX-XX-XX.Log", At(2026, 12, 5), 2026 * 365 + 12 * 30 + 5},
        {"2x26-1a-0b.lOG", At(2026, 12, 5), 2024 * 365 + 11 * 30 + 5},  // leading digits only, any case
    };
    for (const Case& c : cases) {
        const std::optional<DayFile> dayFile = ReadDayFile(c.name, ".Log", c.today);
        ASSERT_TRUE(dayFile.has_value()) << c.name;
        EXPECT_EQ(dayFile->ageInDays, c.age) << c.name;
    }
}

TEST(DayFileAgeTest, OnlyTenCharacterBareBasesAreDayFiles) {
    for (const char* name : {"2026-1-01.Log", "2026-01-011.Log", "12026-01-01.Log", "2026-01-01.Txt",
                             "2026.LOG-01.Log",  // the first ".LOG" ends the base
                             "..\\2026-01.Log", "a/b\\cd-efg.Log", "C:2026-0-1.Log", "2026-01..1.Log",
                             "2026-01\n01.Log"}) {
        EXPECT_FALSE(ReadDayFile(name, ".Log", At(2026, 12, 5)).has_value()) << name;
    }
    EXPECT_FALSE(ReadDayFile("2026-01-01.Log", "", At(2026, 12, 5)).has_value());
}

class LogRetentionTest : public ::testing::Test {
protected:
    std::vector<std::string> Removed() const {
        std::vector<std::string> removed;
        for (const std::string& call : files.calls) {
            if (call.rfind("remove ", 0) == 0) removed.push_back(call.substr(7 + kFolder.size()));
        }
        return removed;
    }

    const std::string kFolder = "C:\\Plant\\LogFiles\\";
    std::string appDirectory = "C:\\Plant\\";
    logging_fakes::ScriptedClock clock;
    logging_fakes::RecordingFileSystem files;
    DayFileRetention retention{clock, files, appDirectory};
};

TEST_F(LogRetentionTest, ClearsThenDeletesOlderDayFilesByUpperCasedBase) {
    files.listing = {"2026-10-05.Log", "2026-10-04.Log", "xxxx-xx-xx.log", "2026-1-01.Log", "notes.txt"};
    retention.DeleteOldLogFiles(".Log", 60);

    const std::vector<std::string> expected = {
        "list " + kFolder + "\?\?\?\?-\?\?-\?\?.Log",  // escaped: no trigraphs
        "clear " + kFolder + "2026-10-04.Log", "remove " + kFolder + "2026-10-04.Log",
        "clear " + kFolder + "XXXX-XX-XX.Log", "remove " + kFolder + "XXXX-XX-XX.Log"};
    EXPECT_EQ(files.calls, expected);
}

TEST_F(LogRetentionTest, ZeroPeriodKeepsTodayAndNegativePeriodDeletesIt) {
    clock.now = {At(2026, 8, 1)};
    files.listing = {"2026-08-01.Log", "2026-07-31.Log", "2026-07-30.Log", "2026-08-02.Log"};

    retention.DeleteOldLogFiles(".Log", 0);
    EXPECT_EQ(Removed(), std::vector<std::string>{"2026-07-30.Log"});

    files.calls.clear();
    retention.DeleteOldLogFiles(".Log", -1);
    EXPECT_EQ(Removed(), (std::vector<std::string>{"2026-08-01.Log", "2026-07-31.Log", "2026-07-30.Log"}));
}

TEST_F(LogRetentionTest, FailureOnOneFileDoesNotStopTheOthers) {
    files.listing = {"2000-01-01.Log", "2000-01-02.Log", "2000-01-03.Log"};
    files.failing = kFolder + "2000-01-01.Log";
    files.throwing = kFolder + "2000-01-02.Log";

    EXPECT_NO_THROW(retention.DeleteOldLogFiles(".Log", 60));
    EXPECT_EQ(Removed(), (std::vector<std::string>{"2000-01-01.Log", "2000-01-03.Log"}));
}

TEST_F(LogRetentionTest, ExtensionThatLeadsElsewhereTouchesNothing) {
    files.listing = {"2000-01-01.Log"};
    retention.DeleteOldLogFiles("\\..\\..\\x.Log", 60);
    retention.DeleteOldLogFiles("/x", 60);
    EXPECT_TRUE(files.calls.empty());
}

}  // namespace
}  // namespace ostrilo
