#pragma once

#include <string>

namespace ostrilo {

// The folders beside the executable that the program writes to.
constexpr char kLogFolderName[] = "LogFiles";
constexpr char kSpoolFolderName[] = "Spool";

// The folder of the executable at `executablePath`, always ending in a backslash
// (a drive root such as "C:\" already does and gets no second one).
std::string AppDirectoryOf(const std::string& executablePath);

}  // namespace ostrilo
