#include "win32/linked_folder_refusal.h"

#include <shlwapi.h>

namespace ostrilo::win32 {
namespace {

// A missing name leads nowhere: whatever is made there next is checked again.
bool IsLinkOrUnreadable(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
    if (path.size() < folder.size()) return false;
    if (::StrCmpNIA(path.c_str(), folder.c_str(), static_cast<int>(folder.size())) != 0) return false;
    return path.size() == folder.size() || path[folder.size()] == '\\';
}

}  // namespace

void LinkedFolderRefusal::Guard(std::vector<std::string> folders, Report report) {
    folders_ = std::move(folders);
    report_ = std::move(report);
}

const std::string* LinkedFolderRefusal::FolderOf(const std::string& path) const {
    for (const std::string& folder : folders_) {
        if (StartsWithFolder(path, folder)) return &folder;
    }
    return nullptr;
}

bool LinkedFolderRefusal::Covers(const std::string& path) const { return FolderOf(path) != nullptr; }

bool LinkedFolderRefusal::Allows(const std::string& path) {
    const std::string* folder = FolderOf(path);
    if (folder == nullptr) return true;
    if (!IsLinkOrUnreadable(*folder) && (path.size() == folder->size() || !IsLinkOrUnreadable(path))) return true;
    Refuse(*folder);
    return false;
}

bool LinkedFolderRefusal::IsPlainFile(const std::string& path, HANDLE file) {
    const std::string* folder = FolderOf(path);
    if (folder == nullptr) return true;
    BY_HANDLE_FILE_INFORMATION info{};
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    if (::GetFileInformationByHandle(file, &info) && (info.dwFileAttributes & kNotPlain) == 0 &&
        info.nNumberOfLinks <= 1) {
        return true;
    }
    Refuse(*folder);
    return false;
}

void LinkedFolderRefusal::Refuse(const std::string& folder) {
    if (report_) report_(folder);
}

}  // namespace ostrilo::win32
