#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "harness/build_outputs.h"
#include "harness/child_process.h"

namespace ostrilo::e2e {

// The ids of the processes whose environment names `prefix` as WINEPREFIX: the prefix's
// wineserver and the Windows programs running in it.
std::vector<pid_t> ProcessesOfPrefix(const std::filesystem::path& prefix);

// A private Wine prefix, copied from the run's template, with its own persistent
// wineserver so that each wine64 command starts in well under a second. The destructor
// ends that server (and with it every Windows process of the prefix); other prefixes
// are never touched.
class WinePrefix {
public:
    // Throws std::runtime_error when the prefix or its server cannot be set up.
    WinePrefix(const BuildOutputs& outputs, const std::filesystem::path& directory);
    ~WinePrefix();
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    const std::filesystem::path& Directory() const { return directory_; }
    std::filesystem::path DriveC() const { return directory_ / "drive_c"; }
    // Maps a drive letter to a host folder, so a program can run from the root of a drive.
    void MapDrive(char letter, const std::filesystem::path& folder) const;

    // The environment of a Wine process in this prefix; `wineDebug` is WINEDEBUG.
    Environment WineEnvironment(const std::string& wineDebug = "-all") const;
    // wine64 with `arguments` (a Windows program and its arguments), bounded.
    CommandResult Wine(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout) const;
    const std::filesystem::path& Wine64() const { return wine64_; }

    // What Wine's background processes wrote to standard error: the service manager and
    // every service it starts inherit it, with their event-log entries traced there.
    std::string BackgroundErrorOutput() const;

private:
    void StartServer() const;
    void StopServer() const;
    void WarmUp(const BuildOutputs& outputs) const;
    std::filesystem::path BackgroundErrorPath() const;

    std::filesystem::path directory_;
    std::filesystem::path wine64_;
    std::filesystem::path wineserver_;
};

}  // namespace ostrilo::e2e
