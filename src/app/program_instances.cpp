#include "app/program_instances.h"

#include <algorithm>
#include <cctype>

namespace ostrilo {
namespace {

// Windows compares file names without regard to case.
bool SameName(const std::string& left, const std::string& right) {
    return left.size() == right.size() && std::equal(left.begin(), left.end(), right.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

std::string FileNameOf(const std::string& path) {
    const auto separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

bool AnotherProcessRunsThisProgram(const std::string& ownImagePath, const std::vector<RunningProcess>& others) {
    const std::string ownName = FileNameOf(ownImagePath);
    return std::any_of(others.begin(), others.end(), [&](const RunningProcess& process) {
        if (!SameName(process.executableName, ownName)) return false;
        return !process.imagePath || SameName(*process.imagePath, ownImagePath);
    });
}

}  // namespace ostrilo
