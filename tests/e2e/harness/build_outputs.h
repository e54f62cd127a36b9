#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ostrilo::e2e {

// Where the Windows build's outputs and the Wine tools are. Each path can be set through
// an environment variable of the same name (OSTRILO_WIN_BUILD_DIR, OSTRILO_SOURCE_DIR,
// OSTRILO_WINE_TEMPLATE); otherwise the values CMake compiled in are used.
struct BuildOutputs {
    std::filesystem::path sourceDir;
    std::filesystem::path winBuildDir;
    std::filesystem::path wineTemplate;
    std::filesystem::path wine64;
    std::filesystem::path wineserver;

    static BuildOutputs FromEnvironment();

    std::filesystem::path Program() const { return winBuildDir / "bin" / "Ostrilo.exe"; }
    std::filesystem::path Simulator(const std::string& dllName) const { return winBuildDir / "sim" / dllName; }
    std::filesystem::path Probe() const { return winBuildDir / "tests" / "ostrilo_probe.exe"; }
    std::filesystem::path PrefixScript() const { return sourceDir / "scripts" / "wine-prefix"; }
};

// What a run copies into its program folder: the program (as Ostrilo.exe) and the
// libraries beside it.
struct RunLayout {
    std::filesystem::path program;
    std::vector<std::filesystem::path> libraries;
};

// The real program with the three simulated outside libraries.
RunLayout StandardLayout(const BuildOutputs& outputs);

// Why a run of `layout` cannot happen on this machine (Wine or a build output missing),
// or nullopt when it can.
std::optional<std::string> WhyRunImpossible(const BuildOutputs& outputs, const RunLayout& layout);

}  // namespace ostrilo::e2e
