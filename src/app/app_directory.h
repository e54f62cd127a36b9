#pragma once

#include <string>

namespace ostrilo {

// The folder of the executable at `executablePath`, always ending in a backslash
// (a drive root such as "C:\" already does and gets no second one).
std::string AppDirectoryOf(const std::string& executablePath);

}  // namespace ostrilo
