#include "test_folder.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "win32/scoped_handles.h"

namespace ostrilo::wintest {

std::string ContentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found{};
    const win32::ScopedFindHandle search(::FindFirstFileA((folder + "*").c_str(), &found));
    if (search.IsValid()) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path + "\\");
            } else {
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(search.Get(), &found));
    }
    ::RemoveDirectoryA(folder.c_str());
}

TempFolder::TempFolder(const std::string& purpose) {
    static int serial = 0;
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "ostrilo-" + purpose + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++serial) + "\\";
    RemoveTree(path_);
    ::CreateDirectoryA(path_.c_str(), nullptr);
}

bool TempFolder::CopySimulator(const std::string& dll) const {
    const char* linuxPath = std::getenv("OSTRILO_SIM_DIR");
    if (linuxPath == nullptr || *linuxPath == '\0') return false;
    // Wine's drive Z: is the Linux root.
    std::string build = std::string("Z:") + linuxPath + "\\";
    for (char& c : build) {
        if (c == '/') c = '\\';
    }
    return ::CopyFileA((build + dll).c_str(), (path_ + dll).c_str(), FALSE);
}

}  // namespace ostrilo::wintest
