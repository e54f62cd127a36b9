// The age of a day file comes from the digits of its name, 365 days a year and 30 a month;
// only bare names of ten characters before the extension are day files.

#include "logging/log_retention.h"

#include <gtest/gtest.h>

namespace ostrilo {
namespace {

TEST(DayFileAge, CountsFromTheNameWithYearsOf365AndMonthsOf30Days) {
    const struct {
        const char* name;
        platform::LocalDateTime today;
        std::int64_t age;
    } cases[] = {
        {"2026-10-05.Log", {2026, 12, 5}, 60}, {"2026-10-04.Log", {2026, 12, 5}, 61},
        {"2026-12-31.Log", {2027, 1, 1}, 5},   {"2026-02-28.Log", {2026, 3, 1}, 3},
        {"2027-08-01.Log", {2026, 8, 1}, -365}, {"XXXX-XX-XX.Log", {2026, 12, 5}, 2026 * 365 + 12 * 30 + 5},
        {"2x26-1a-0b.lOG", {2026, 12, 5}, 2024 * 365 + 11 * 30 + 5},
    };
    for (const auto& c : cases) {
        const auto dayFile = ReadDayFile(c.name, ".Log", c.today);
        ASSERT_TRUE(dayFile) << c.name;
        EXPECT_EQ(dayFile->ageInDays, c.age) << c.name;
    }
}

TEST(DayFileAge, NamesThatAreNoBareDayFilesAreLeftAlone) {
    for (const char* name : {"2026-1-01.Log", "12026-01-01.Log", "2026-01-01.Txt", "2026.LOG-01.Log",
                             "..\\2026-01.Log", "a/b\\cd-efg.Log", "C:2026-0-1.Log", "2026-01\n01.Log"}) {
        EXPECT_FALSE(ReadDayFile(name, ".Log", {2026, 12, 5})) << name;
    }
}

}  // namespace
}  // namespace ostrilo
