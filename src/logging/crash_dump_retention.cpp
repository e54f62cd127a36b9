#include "logging/crash_dump_retention.h"

#include <algorithm>
#include <vector>

#include "platform/file_system.h"

namespace ostrilo {

void KeepNewestCrashDumps(platform::FileSystem& files, const std::string& logFolder, std::size_t keep) {
    std::vector<std::string> names = files.ListFiles(logFolder, "Ostrilo-*.dmp");
    if (names.size() <= keep) return;
    std::sort(names.begin(), names.end());
    for (auto name = names.begin(); name != names.end() - static_cast<std::ptrdiff_t>(keep); ++name) {
        files.RemoveFile(logFolder + *name);
    }
}

}  // namespace ostrilo
