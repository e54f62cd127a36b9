#include "harness/wine_prefix.h"

#include <signal.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "harness/text_files.h"

namespace ostrilo::e2e {

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Making the template (the first prefix of a test run) takes 6-12 s.
constexpr seconds kPrefixCopyTimeout{180};
constexpr seconds kServerTimeout{20};

bool EnvironmentHasEntry(const std::string& environment, const std::string& entry) {
    for (std::size_t start = 0; start < environment.size();) {
        const std::size_t end = std::min(environment.find('\0', start), environment.size());
        if (environment.compare(start, end - start, entry) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::vector<pid_t> ProcessesOfPrefix(const fs::path& prefix) {
    const std::string entry = "WINEPREFIX=" + prefix.string();
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& process : fs::directory_iterator("/proc", error)) {
        const std::string name = process.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (EnvironmentHasEntry(ReadWholeFile(process.path() / "environ"), entry)) {
            found.push_back(static_cast<pid_t>(std::atoi(name.c_str())));
        }
    }
    return found;
}

WinePrefix::WinePrefix(const BuildOutputs& outputs, const fs::path& directory)
    : directory_(directory), wine64_(outputs.wine64), wineserver_(outputs.wineserver) {
    const CommandResult copy = RunBounded({outputs.PrefixScript().string(), outputs.wineTemplate.string(),
                                           directory_.string()},
                                          EnvironmentWith({}), kPrefixCopyTimeout);
    if (!copy.Succeeded()) throw std::runtime_error("cannot make the Wine prefix: " + copy.Describe());
    StartServer();
    try {
        WarmUp(outputs);
    } catch (...) {
        StopServer();  // a persistent server would otherwise outlive the failed set-up
        throw;
    }
}

WinePrefix::~WinePrefix() { StopServer(); }

Environment WinePrefix::WineEnvironment(const std::string& wineDebug) const {
    // No display: the template selects Wine's null display driver, so windows work headless.
    return EnvironmentWith({{"WINEPREFIX", directory_.string()},
                            {"WINEDEBUG", wineDebug},
                            {"WINEDLLOVERRIDES", "mscoree,mshtml="},
                            {"DISPLAY", ""},
                            {"WAYLAND_DISPLAY", ""}});
}

CommandResult WinePrefix::Wine(const std::vector<std::string>& arguments, milliseconds timeout) const {
    std::vector<std::string> argv{wine64_.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunBounded(argv, WineEnvironment(), timeout);
}

std::string WinePrefix::BackgroundErrorOutput() const { return ReadWholeFile(BackgroundErrorPath()); }

fs::path WinePrefix::BackgroundErrorPath() const { return directory_ / "warm-up.err"; }

void WinePrefix::MapDrive(char letter, const fs::path& folder) const {
    const std::string name(1, static_cast<char>(std::tolower(static_cast<unsigned char>(letter))));
    fs::create_directory_symlink(folder, directory_ / "dosdevices" / (name + ":"));
}

void WinePrefix::StartServer() const {
    // The server detaches itself once it listens; its output goes to a file, never to a
    // pipe of ours that it would outlive.
    ChildProcess server({wineserver_.string(), "-p"}, WineEnvironment(), directory_,
                        directory_ / "wineserver.out", directory_ / "wineserver.err");
    if (server.WaitForExit(kServerTimeout) != 0) throw std::runtime_error("the wineserver did not start");
}

void WinePrefix::StopServer() const {
    // Ends this prefix's server and every Windows process of the prefix; whatever
    // survives that is killed by its id.
    RunBounded({wineserver_.string(), "-k"}, WineEnvironment(), kServerTimeout);
    for (pid_t survivor : ProcessesOfPrefix(directory_)) kill(survivor, SIGKILL);
}

void WinePrefix::WarmUp(const BuildOutputs& outputs) const {
    // The first Windows program of a prefix starts Wine's own background processes (the
    // desktop and the service manager among them); they inherit its output, so it must be
    // files, not our pipes. They inherit its WINEDEBUG too: Wine's event log records
    // nothing, so tracing it is the only way to see a service's entries.
    ChildProcess first({wine64_.string(), outputs.Probe().string(), "wait-window", "0"},
                       WineEnvironment("-all,+eventlog"), directory_, directory_ / "warm-up.out",
                       BackgroundErrorPath());
    if (!first.WaitForExit(kServerTimeout)) throw std::runtime_error("Wine did not answer in the new prefix");
}

}  // namespace ostrilo::e2e
