#include "win32/win32_file_system.h"

#include <algorithm>
#include <new>

#include "win32/scoped_handles.h"

namespace ostrilo::win32 {
namespace {

// Large texts are written in pieces so that every length fits WriteFile's 32-bit count.
constexpr std::size_t kMaxWriteChunk = 1 << 20;

constexpr DWORD kUnlistedAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\' || folder.back() == '/') {
        return folder + name;
    }
    return folder + "\\" + name;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min(bytes.size(), kMaxWriteChunk));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

bool Win32FileSystem::MakeFolder(const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::AppendToFile(const std::string& path, std::string_view bytes) {
    // Sharing everything lets other programs read, copy or delete the file meanwhile.
    const ScopedFileHandle file(::CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsValid() && WriteAll(file.Get(), bytes);
}

std::vector<std::string> Win32FileSystem::ListFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    try {
        WIN32_FIND_DATAA found{};
        const ScopedFindHandle search(::FindFirstFileA(JoinPath(folder, pattern).c_str(), &found));
        if (!search.IsValid()) {
            return names;
        }
        do {
            if ((found.dwFileAttributes & kUnlistedAttributes) == 0) {
                names.emplace_back(found.cFileName);
            }
        } while (::FindNextFileA(search.Get(), &found));
    } catch (const std::bad_alloc&) {
        // The names gathered so far are still good to work on.
    }
    return names;
}

bool Win32FileSystem::ClearAttributes(const std::string& path) {
    return ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool Win32FileSystem::RemoveFile(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != FALSE;
}

}  // namespace ostrilo::win32
