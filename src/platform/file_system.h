#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrilo::platform {

// Paths are 8-bit text in the system's ANSI code page, as Windows expects them.
// Every operation reports failure as a value; none throws.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool MakeFolder(const std::string& path) = 0;
    // Opens (creating if needed), appends and closes within the call: no handle survives it.
    virtual bool AppendToFile(const std::string& path, std::string_view bytes) = 0;
    // Names (not paths) of the plain files in `folder` matching the wildcard `pattern`;
    // folders, hidden and system files are left out.
    virtual std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern) = 0;
    virtual bool ClearAttributes(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;
};

}  // namespace ostrilo::platform
