#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ostrilo {

// One of Halvex's client libraries (Halvex2.dll or Halvex3.dll), bound at first use.
// Empty / false: the call could not be made (library or entry point missing).
class HalvexClient {
public:
    virtual ~HalvexClient() = default;
    virtual std::optional<std::int32_t> GetRunningApps(std::int32_t which) = 0;
    virtual bool SetCommandEntry(const std::string& command, std::int32_t flags) = 0;
};

}  // namespace ostrilo
