#include "common/win_file.h"

#include <limits>
#include <vector>

namespace ostrilo::sim {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::uint64_t Combine(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

}  // namespace

std::optional<FileStamp> ReadFileStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    FileStamp stamp;
    stamp.size = Combine(data.nFileSizeHigh, data.nFileSizeLow);
    stamp.lastWrite = Combine(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    return stamp;
}

std::string ReadFileRange(const std::string& path, std::uint64_t offset, std::size_t maxBytes) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid() || maxBytes == 0) return {};
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN)) return {};
    const DWORD wanted = maxBytes > std::numeric_limits<DWORD>::max()
                             ? std::numeric_limits<DWORD>::max()
                             : static_cast<DWORD>(maxBytes);
    std::string bytes(wanted, '\0');
    DWORD got = 0;
    if (!ReadFile(file.Get(), bytes.data(), wanted, &got, nullptr)) return {};
    bytes.resize(got);
    return bytes;
}

FileHandle OpenForAppend(const std::string& path) {
    return FileHandle(
        CreateFileA(path.c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteAll(const FileHandle& file, std::string_view text) {
    DWORD written = 0;
    return file.IsValid() &&
           WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

std::string OwnModuleFolder() {
    HMODULE module = nullptr;
    const auto flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(&OwnModuleFolder), &module)) return {};
    // Long paths: grow the buffer until the name fits, up to the longest path Windows has.
    for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
        std::vector<char> name(capacity);
        const DWORD length = GetModuleFileNameA(module, name.data(), capacity);
        if (length == 0) return {};
        if (length < capacity) {
            std::string path(name.data(), length);
            const auto slash = path.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        }
    }
    return {};
}

}  // namespace ostrilo::sim
