#include "logging/log_retention.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "error_policy/skip_on_failure.h"
#include "platform/file_system.h"

namespace ostrilo {
namespace {

constexpr std::size_t kDayFileBaseLength = 10;  // "YYYY-MM-DD"
// "????-??-??", each "?" one character; escaped because "??-" is a trigraph.
constexpr char kDayFileWildcard[] = "\?\?\?\?-\?\?-\?\?";

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperCased(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(), UpperAscii);
    return upper;
}

// The listing never returns more than a bare name; should it ever, the retention must not
// follow it anywhere else.
bool IsBareFileName(std::string_view name) {
    const bool hasPathCharacter = std::any_of(name.begin(), name.end(), [](char c) {
        return c == '\\' || c == '/' || c == ':' || static_cast<unsigned char>(c) < 0x20;
    });
    return !name.empty() && !hasPathCharacter && name.find("..") == std::string_view::npos;
}

int LeadingDigits(std::string_view field) {
    int number = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            break;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

}  // namespace

std::optional<DayFile> ReadDayFile(std::string_view fileName, std::string_view extension,
                                   const platform::LocalDateTime& today) {
    if (!IsBareFileName(fileName) || extension.empty()) {
        return std::nullopt;
    }
    const std::string upperName = UpperCased(fileName);
    const std::size_t extensionAt = upperName.find(UpperCased(extension));
    if (extensionAt != kDayFileBaseLength) {
        return std::nullopt;
    }
    const std::string_view base(upperName.data(), kDayFileBaseLength);
    const std::int64_t year = LeadingDigits(base.substr(0, 4));
    const std::int64_t month = LeadingDigits(base.substr(5, 2));
    const std::int64_t day = LeadingDigits(base.substr(8, 2));
    DayFile dayFile;
    dayFile.upperBaseName = std::string(base);
    dayFile.ageInDays = (today.year - year) * 365 + (today.month - month) * 30 + (today.day - day);
    return dayFile;
}

DayFileRetention::DayFileRetention(platform::Clock& clock, platform::FileSystem& files,
                                   std::string appDirectory)
    : clock_(clock), files_(files), appDirectory_(std::move(appDirectory)) {}

void DayFileRetention::DeleteOldLogFiles(const std::string& extension, std::int32_t daysToKeep) {
    SkipOnFailure([&] {
        if (!IsBareFileName(extension)) {
            return;
        }
        const platform::LocalDateTime today = clock_.Now();
        const std::string folder = appDirectory_ + "LogFiles\\";
        const std::vector<std::string> names = files_.ListFiles(folder, kDayFileWildcard + extension);
        for (const std::string& name : names) {
            SkipOnFailure([&] {
                const std::optional<DayFile> dayFile = ReadDayFile(name, extension, today);
                if (!dayFile || dayFile->ageInDays <= daysToKeep) {
                    return;
                }
                const std::string path = folder + dayFile->upperBaseName + extension;
                files_.ClearAttributes(path);
                files_.RemoveFile(path);
            });
        }
    });
}

}  // namespace ostrilo
