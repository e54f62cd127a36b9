#include "halvex/halvex_simulator.h"

#include <cstring>

#include "common/text_escape.h"

namespace ostrilo::sim {
namespace {

// A command longer than this is recorded cut short; it bounds the scan for the
// terminator of a text we did not allocate.
constexpr std::size_t kMaxRecordedCommand = 1024 * 1024;

std::string_view BoundedText(const char* text) {
    if (text == nullptr) return {};
    const void* terminator = std::memchr(text, '\0', kMaxRecordedCommand);
    return std::string_view(text, terminator ? static_cast<const char*>(terminator) - text : kMaxRecordedCommand);
}

}  // namespace

HalvexSimulator::HalvexSimulator(const std::string& folder, const std::string& libraryName)
    : control_(folder + libraryName + ".control"), journal_(folder + libraryName + ".journal") {}

std::int32_t HalvexSimulator::GetRunningApps(std::int32_t which) {
    std::lock_guard<std::mutex> guard(mutex_);
    control_.Refresh();
    const std::int32_t running = control_.Number("running", 1);
    journal_.Record("GetRunningApps " + std::to_string(which) + " -> " + std::to_string(running));
    return running;
}

std::int32_t HalvexSimulator::SetCommandEntry(const char* command, std::int32_t flags) {
    std::lock_guard<std::mutex> guard(mutex_);
    const std::string shown = command == nullptr ? "null" : QuotedText(BoundedText(command));
    journal_.Record("SetCommandEntry " + shown + " " + std::to_string(flags) + " -> 0");
    return 0;
}

}  // namespace ostrilo::sim
