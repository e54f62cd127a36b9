// Log-file retention over any listed names: only ten-character day names are read,
// their age follows the 365/30 rule, and nothing outside the log folder, nor any file
// young enough to keep, is ever touched.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "logging/log_retention.h"
#include "platform/file_system.h"

namespace ostrilo::fuzz {
namespace {

const std::string kFolder = "C:\\Plant\\LogFiles\\";

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// Separators, drive colons, parent steps and control characters never belong to a bare
// name in the log folder.
bool HasPathCharacter(const std::string& name) {
    const bool control = std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return control || name.find_first_of("\\/:") != std::string::npos || name.find("..") != std::string::npos;
}

// The number the leading digits of a field form; 0 when it does not begin with one.
std::int64_t FieldNumber(const std::string& field) {
    std::int64_t number = 0;
    for (std::size_t i = 0; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        number = number * 10 + (field[i] - '0');
    }
    return number;
}

std::int64_t ExpectedAge(const std::string& base, const platform::LocalDateTime& today) {
    return (today.year - FieldNumber(base.substr(0, 4))) * std::int64_t{365} +
           (today.month - FieldNumber(base.substr(5, 2))) * std::int64_t{30} + (today.day - FieldNumber(base.substr(8, 2)));
}

void CheckDayFile(const std::string& name, const std::string& extension, const platform::LocalDateTime& today) {
    const std::optional<DayFile> dayFile = ReadDayFile(name, extension, today);
    const std::string upperName = Upper(name);
    const bool dayName = !extension.empty() && upperName.find(Upper(extension)) == 10;
    if (HasPathCharacter(name) || !dayName) {
        FUZZ_EXPECT(!dayFile, name);
        return;
    }
    FUZZ_EXPECT(dayFile.has_value(), name);
    FUZZ_EXPECT(dayFile->upperBaseName == upperName.substr(0, 10), name);
    FUZZ_EXPECT(dayFile->ageInDays == ExpectedAge(dayFile->upperBaseName, today), name);
}

struct Removal {
    std::string path;
    bool attributesCleared;
};

class ListedFolder : public platform::FileSystem {
public:
    bool MakeFolder(const std::string&) override { return true; }
    bool AppendToFile(const std::string&, std::string_view) override { return true; }
    std::vector<std::string> ListFiles(const std::string& folder, const std::string&) override {
        FUZZ_EXPECT(folder == kFolder, folder);
        return names;
    }
    bool ClearAttributes(const std::string& path) override {
        cleared.push_back(path);
        return true;
    }
    bool RemoveFile(const std::string& path) override {
        removed.push_back({path, std::find(cleared.begin(), cleared.end(), path) != cleared.end()});
        return true;
    }

    std::vector<std::string> names;
    std::vector<std::string> cleared;
    std::vector<Removal> removed;
};

class FixedDay : public platform::Clock {
public:
    explicit FixedDay(platform::LocalDateTime today) : today_(today) {}
    platform::LocalDateTime Now() override { return today_; }
    double SecondsSinceMidnight() override { return 0; }
    std::string TimeSeparator() override { return ":"; }

private:
    platform::LocalDateTime today_;
};

void CheckRun(const std::vector<std::string>& names, const std::string& extension,
              const platform::LocalDateTime& today, std::int32_t daysToKeep) {
    ListedFolder files;
    files.names = names;
    FixedDay clock(today);
    const std::string appDirectory = "C:\\Plant\\";
    DayFileRetention retention(clock, files, appDirectory);
    retention.DeleteOldLogFiles(extension, daysToKeep);

    std::vector<std::string> expected;
    if (!HasPathCharacter(extension)) {
        for (const std::string& name : names) {
            const auto dayFile = ReadDayFile(name, extension, today);
            if (dayFile && dayFile->ageInDays > daysToKeep) expected.push_back(kFolder + dayFile->upperBaseName + extension);
        }
    }
    FUZZ_EXPECT(files.removed.size() == expected.size(), extension);
    for (std::size_t i = 0; i < files.removed.size(); ++i) {
        const std::string& path = files.removed[i].path;
        FUZZ_EXPECT(path == expected[i], path);
        FUZZ_EXPECT(files.removed[i].attributesCleared, path);  // a read-only file goes too
        // Inside the log folder, a bare name: the folder, ten characters and the extension.
        FUZZ_EXPECT(path.compare(0, kFolder.size(), kFolder) == 0, path);
        FUZZ_EXPECT(path.size() == kFolder.size() + 10 + extension.size(), path);
        FUZZ_EXPECT(!HasPathCharacter(path.substr(kFolder.size())), path);
    }
}

}  // namespace
}  // namespace ostrilo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ostrilo::fuzz;
    FuzzedDataProvider input(data, size);
    const ostrilo::platform::LocalDateTime today{input.ConsumeIntegralInRange(1601, 30827),
                                                 input.ConsumeIntegralInRange(1, 12),
                                                 input.ConsumeIntegralInRange(1, 31), 0, 0, 0};
    const std::int32_t daysToKeep = input.ConsumeIntegral<std::int32_t>();
    const std::string extension = input.ConsumeBool() ? ".Log" : input.ConsumeRandomLengthString(8);
    std::vector<std::string> names;
    while (input.remaining_bytes() > 0 && names.size() < 32) names.push_back(input.ConsumeRandomLengthString(40));
    for (const std::string& name : names) CheckDayFile(name, extension, today);
    CheckRun(names, extension, today, daysToKeep);
    return 0;
}
