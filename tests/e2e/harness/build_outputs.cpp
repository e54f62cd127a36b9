#include "harness/build_outputs.h"

#include <unistd.h>

#include <cstdlib>

namespace ostrilo::e2e {

namespace {

namespace fs = std::filesystem;

fs::path FromVariable(const char* name, const fs::path& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? fs::path(value) : fallback;
}

bool IsExecutable(const fs::path& path) { return access(path.c_str(), X_OK) == 0; }

// The 64-bit loader itself: the `wine` wrapper may pick a 32-bit loader this kernel cannot run.
fs::path FindWineTool(const std::string& name) {
    const fs::path packaged = fs::path("/usr/lib/wine") / name;
    if (IsExecutable(packaged)) return packaged;
    const char* path = std::getenv("PATH");
    std::string directories = path ? path : "";
    for (std::size_t start = 0; start <= directories.size();) {
        std::size_t end = directories.find(':', start);
        if (end == std::string::npos) end = directories.size();
        const fs::path candidate = fs::path(directories.substr(start, end - start)) / name;
        if (end > start && IsExecutable(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

}  // namespace

BuildOutputs BuildOutputs::FromEnvironment() {
    BuildOutputs outputs;
    outputs.sourceDir = FromVariable("OSTRILO_SOURCE_DIR", OSTRILO_SOURCE_DIR);
    outputs.winBuildDir = FromVariable("OSTRILO_WIN_BUILD_DIR", OSTRILO_WIN_BUILD_DIR);
    // The same template the Wine scripts use, made once per test run.
    outputs.wineTemplate = FromVariable("OSTRILO_WINE_TEMPLATE", outputs.sourceDir / "build" / "wine-template");
    outputs.wine64 = FindWineTool("wine64");
    outputs.wineserver = FindWineTool("wineserver");
    return outputs;
}

RunLayout StandardLayout(const BuildOutputs& outputs) {
    return {outputs.Program(),
            {outputs.Simulator("Ostrilo.dll"), outputs.Simulator("Halvex2.dll"), outputs.Simulator("Halvex3.dll")}};
}

std::optional<std::string> WhyRunImpossible(const BuildOutputs& outputs, const RunLayout& layout) {
    if (outputs.wine64.empty() || outputs.wineserver.empty()) return "wine64 or wineserver is not installed";
    std::vector<fs::path> needed = layout.libraries;
    needed.push_back(layout.program);
    needed.push_back(outputs.Probe());
    needed.push_back(outputs.PrefixScript());
    for (const auto& path : needed) {
        if (!fs::exists(path)) {
            return path.string() + " does not exist; build the Windows x64 build first (or set OSTRILO_WIN_BUILD_DIR)";
        }
    }
    return std::nullopt;
}

}  // namespace ostrilo::e2e
