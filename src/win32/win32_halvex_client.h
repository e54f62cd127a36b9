#pragma once

#include <string>

#include "delivery/halvex_client.h"
#include "win32/dynamic_library.h"
#include "win32/outside_libraries_abi.h"

namespace ostrilo::win32 {

// HalvexClient over one of Halvex's client libraries ("Halvex2.dll" or "Halvex3.dll").
class Win32HalvexClient final : public HalvexClient {
public:
    explicit Win32HalvexClient(std::string libraryFile, MillisecondTicks ticks = SystemMilliseconds);

    std::optional<std::int32_t> GetRunningApps(std::int32_t which) override;
    bool SetCommandEntry(const std::string& command, std::int32_t flags) override;

private:
    DynamicLibrary library_;
    EntryPoint<GetRunningAppsFn> getRunningApps_{library_, "GetRunningApps"};
    EntryPoint<SetCommandEntryFn> setCommandEntry_{library_, "SetCommandEntry"};
};

}  // namespace ostrilo::win32
