#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace ostrilo::sim {

// Owns a file handle; closes it on every path out.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (IsValid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
    FileHandle& operator=(FileHandle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }

    bool IsValid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// Size and last-write time: enough to notice that a scripting file changed.
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;
    bool operator==(const FileStamp& other) const {
        return size == other.size && lastWrite == other.lastWrite;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// Empty when the file does not exist (or is a folder).
std::optional<FileStamp> ReadFileStamp(const std::string& path);

// Up to maxBytes from offset; empty when the file cannot be read. The file is opened with
// full sharing so that whoever scripts it is never locked out.
std::string ReadFileRange(const std::string& path, std::uint64_t offset, std::size_t maxBytes);

// Opens (creating if needed) for writing at the end only, shared with every other reader,
// writer and deleter.
FileHandle OpenForAppend(const std::string& path);

// Writes all of text through the handle; false on failure.
bool WriteAll(const FileHandle& file, std::string_view text);

// The folder of the DLL that holds this code, ending in a backslash ("" if unknown).
std::string OwnModuleFolder();

}  // namespace ostrilo::sim
