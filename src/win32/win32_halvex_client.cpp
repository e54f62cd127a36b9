#include "win32/win32_halvex_client.h"

#include <utility>
#include <vector>

namespace ostrilo::win32 {

Win32HalvexClient::Win32HalvexClient(std::string libraryFile, MillisecondTicks ticks)
    : library_(std::move(libraryFile), std::move(ticks)) {}

std::optional<std::int32_t> Win32HalvexClient::GetRunningApps(std::int32_t which) {
    return getRunningApps_.Call(which);
}

bool Win32HalvexClient::SetCommandEntry(const std::string& command, std::int32_t flags) {
    // The library gets a terminated buffer of its own, so whatever it does with the
    // pointer cannot reach the caller's text.
    std::vector<char> terminatedCopy(command.begin(), command.end());
    terminatedCopy.push_back('\0');
    const char* text = terminatedCopy.data();
    return setCommandEntry_.Call(text, flags).has_value();
}

}  // namespace ostrilo::win32
