#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "common/control_file.h"
#include "common/journal.h"

namespace ostrilo::sim {

// One Halvex client library, scripted by <name>.control in the given folder and recorded
// in <name>.journal there (formats in sim/README.md).
class HalvexSimulator {
public:
    HalvexSimulator(const std::string& folder, const std::string& libraryName);

    std::int32_t GetRunningApps(std::int32_t which);
    std::int32_t SetCommandEntry(const char* command, std::int32_t flags);

private:
    std::mutex mutex_;
    ControlFile control_;
    Journal journal_;
};

}  // namespace ostrilo::sim
