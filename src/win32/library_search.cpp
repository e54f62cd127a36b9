#include "win32/library_search.h"

#include <windows.h>

namespace ostrilo::win32 {
namespace {

// "C:\..." or "\\server\share\..."; a relative folder would bring the current one back.
bool IsAbsoluteFolder(const std::string& folder) {
    return (folder.size() > 2 && folder[1] == ':' && folder[2] == '\\') || folder.rfind("\\\\", 0) == 0;
}

}  // namespace

bool KeepStartFolderOutOfLibrarySearch(const std::string& appDirectory) {
    // Naming a folder puts it where the current folder stood. The program's own folder is
    // searched first anyway, so naming it adds nothing; an empty name would do on Windows,
    // but Wine then keeps the current folder.
    if (IsAbsoluteFolder(appDirectory) && ::SetDllDirectoryA(appDirectory.c_str())) return true;
    return ::SetDllDirectoryW(L"") != FALSE;
}

}  // namespace ostrilo::win32
