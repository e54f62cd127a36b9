#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ostrilo::platform {

// Files that must survive a crash or a power cut. Paths are 8-bit ANSI text; every
// operation reports failure as a value and none throws.
class DurableFiles {
public:
    virtual ~DurableFiles() = default;
    virtual bool MakeFolder(const std::string& path) = 0;
    // At most maxBytes + 1 bytes, so a caller can tell a file that is too long; empty
    // when the file is missing or cannot be read.
    virtual std::optional<std::string> ReadFileUpTo(const std::string& path, std::size_t maxBytes) = 0;
    // Both return only once the bytes are on the disk.
    virtual bool AppendAndFlush(const std::string& path, std::string_view bytes) = 0;
    // The file holds either its old or its new content, never a mix, whatever cuts the call short.
    virtual bool ReplaceWholeFile(const std::string& path, std::string_view bytes) = 0;
    // Replaces `to` if it exists.
    virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
    // Whether anything by that name exists, readable or not.
    virtual bool Exists(const std::string& path) = 0;
};

}  // namespace ostrilo::platform
