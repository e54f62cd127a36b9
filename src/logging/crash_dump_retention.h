#pragma once

#include <cstddef>
#include <string>

namespace ostrilo {

namespace platform {
class FileSystem;
}  // namespace platform

// A service that crashes at start is restarted every minute and leaves a dump each
// time; without a limit the dumps fill the disk until no log can be written.
constexpr std::size_t kCrashDumpsToKeep = 10;

// Deletes all but the newest `keep` Ostrilo-*.dmp in `logFolder` (ending in a backslash).
// Their names carry the time of the crash, so the newest sort last. A read-only dump was
// marked by someone who wants it: it stays. Failures are skipped.
void KeepNewestCrashDumps(platform::FileSystem& files, const std::string& logFolder,
                          std::size_t keep = kCrashDumpsToKeep);

}  // namespace ostrilo
