#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace ostrilo {

namespace platform {
class FileSystem;
}  // namespace platform

// A listed name read as a day file of the log folder.
struct DayFile {
    std::string upperBaseName;  // the "YYYY-MM-DD" part, upper-cased
    // 365-day years and 30-day months, deliberately not a calendar difference; wide
    // enough that no clock reading or name can overflow it.
    std::int64_t ageInDays = 0;
};

// Upper-cases the name, takes the base before the first occurrence of `extension` (any
// case) and requires exactly ten characters; year, month and day are the leading digits
// of characters 1-4, 6-7 and 9-10 (none gives 0). Empty for anything else, including
// names that could lead out of the folder.
std::optional<DayFile> ReadDayFile(std::string_view fileName, std::string_view extension,
                                   const platform::LocalDateTime& today);

// Deletes the day files older than a number of days, in AppDirectory + "LogFiles\"; silently: nothing is logged and nothing that fails
// reaches the caller; a file that cannot be deleted is tried again at the next run.
class DayFileRetention {
public:
    DayFileRetention(platform::Clock& clock, platform::FileSystem& files, std::string appDirectory);

    void DeleteOldLogFiles(const std::string& extension, std::int32_t daysToKeep);

private:
    platform::Clock& clock_;
    platform::FileSystem& files_;
    const std::string appDirectory_;
};

}  // namespace ostrilo
