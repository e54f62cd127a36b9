#include "app/app_directory.h"

namespace ostrilo {

std::string AppDirectoryOf(const std::string& executablePath) {
    const auto lastSeparator = executablePath.find_last_of("\\/");
    if (lastSeparator == std::string::npos) return ".\\";
    std::string folder = executablePath.substr(0, lastSeparator);
    folder += '\\';
    return folder;
}

}  // namespace ostrilo
