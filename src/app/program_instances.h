#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ostrilo {

// A process as a snapshot of the running processes shows it.
struct RunningProcess {
    std::string executableName;             // the file name alone, e.g. "Ostrilo.exe"
    std::optional<std::string> imagePath;   // empty when this process may not read it
};

// Whether one of `others` runs the executable at `ownImagePath`. A process of the same
// name whose path cannot be read counts: a program started by a user cannot hide the
// service that way, and the service, running as LocalSystem, can read the path of
// anything a user starts, so a user's program of the same name cannot stop it.
bool AnotherProcessRunsThisProgram(const std::string& ownImagePath, const std::vector<RunningProcess>& others);

}  // namespace ostrilo
