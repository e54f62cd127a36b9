#pragma once

#include "platform/file_system.h"

namespace ostrilo::win32 {

// Files and folders through the ANSI Win32 calls, paths passed through unchanged.
class Win32FileSystem : public platform::FileSystem {
public:
    bool MakeFolder(const std::string& path) override;
    bool AppendToFile(const std::string& path, std::string_view bytes) override;
    std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern) override;
    bool ClearAttributes(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
};

}  // namespace ostrilo::win32
