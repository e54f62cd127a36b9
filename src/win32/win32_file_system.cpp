#include "win32/win32_file_system.h"

#include <algorithm>
#include <new>

#include "win32/scoped_handles.h"

namespace ostrilo::win32 {
namespace {

// Large texts are written in pieces so that every length fits WriteFile's 32-bit count.
constexpr std::size_t kMaxWriteChunk = 1 << 20;

// A listed link would not be the file its name promises.
constexpr DWORD kUnlistedAttributes =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT;

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

// As DeleteFile and SetFileAttributes do: a name that is a link stands for the link.
constexpr DWORD kTheLinkItself = FILE_FLAG_OPEN_REPARSE_POINT;

bool WriteAndFlush(HANDLE file, std::string_view bytes) {
    return WriteAll(file, bytes) && ::FlushFileBuffers(file) != FALSE;
}

}  // namespace

ScopedFileHandle Win32FileSystem::Open(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
    if (!links_.Allows(path)) return ScopedFileHandle();
    // A link put in place between the check and the open is opened itself, not followed.
    if (links_.Covers(path)) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    // Sharing everything lets other programs read, copy or delete the file meanwhile.
    ScopedFileHandle file(::CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, disposition, flags, nullptr));
    if (file.IsValid() && !links_.IsPlainFile(path, file.Get())) return ScopedFileHandle();
    return file;
}

bool Win32FileSystem::MakeFolder(const std::string& path) {
    return links_.Allows(path) && ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::AppendToFile(const std::string& path, std::string_view bytes) {
    const ScopedFileHandle file = Open(path, FILE_APPEND_DATA, OPEN_ALWAYS);
    return file.IsValid() && WriteAll(file.Get(), bytes);
}

std::optional<std::string> Win32FileSystem::ReadFileUpTo(const std::string& path, std::size_t maxBytes) {
    const ScopedFileHandle file = Open(path, GENERIC_READ, OPEN_EXISTING);
    if (!file.IsValid()) return std::nullopt;
    try {
        std::string bytes;
        std::string chunk(kMaxWriteChunk, '\0');
        while (bytes.size() <= maxBytes) {
            DWORD read = 0;
            if (!::ReadFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) {
                return std::nullopt;
            }
            if (read == 0) break;
            bytes.append(chunk.data(), std::min<std::size_t>(read, maxBytes + 1 - bytes.size()));
        }
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool Win32FileSystem::AppendAndFlush(const std::string& path, std::string_view bytes) {
    const ScopedFileHandle file = Open(path, FILE_APPEND_DATA, OPEN_ALWAYS);
    return file.IsValid() && WriteAndFlush(file.Get(), bytes);
}

bool Win32FileSystem::ReplaceWholeFile(const std::string& path, std::string_view bytes) {
    // Written beside it first and moved over it, so a cut leaves the old file whole.
    const std::string fresh = path + ".new";
    {
        const ScopedFileHandle file = Open(fresh, GENERIC_WRITE, CREATE_ALWAYS);
        if (!file.IsValid() || !WriteAndFlush(file.Get(), bytes)) return false;
    }
    return links_.Allows(path) &&
           ::MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool Win32FileSystem::RenameFile(const std::string& from, const std::string& to) {
    return links_.Allows(from) && links_.Allows(to) &&
           ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::vector<std::string> Win32FileSystem::ListFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names;
    if (!links_.Allows(folder)) return names;
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
    const ScopedFileHandle file = Open(path, FILE_WRITE_ATTRIBUTES, OPEN_EXISTING, kTheLinkItself);
    FILE_BASIC_INFO basic{};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return file.IsValid() && ::SetFileInformationByHandle(file.Get(), FileBasicInfo, &basic, sizeof basic) != FALSE;
}

// Deleted through the handle that was checked, so it is that file that goes.
bool Win32FileSystem::RemoveFile(const std::string& path) {
    const ScopedFileHandle file = Open(path, DELETE, OPEN_EXISTING, kTheLinkItself);
    FILE_DISPOSITION_INFO disposition{TRUE};
    return file.IsValid() &&
           ::SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool Win32FileSystem::Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace ostrilo::win32
