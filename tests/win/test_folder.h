#pragma once

#include <string>

namespace ostrilo::wintest {

// The whole file, or the empty text when it cannot be read.
std::string ContentOf(const std::string& path);

// Removes a folder (ending in a backslash) with everything below it, read-only files included.
void RemoveTree(const std::string& folder);

// A fresh, empty folder below the temp folder, its path ending in a backslash; removed
// with everything in it at the end.
class TempFolder {
public:
    explicit TempFolder(const std::string& purpose);
    ~TempFolder() { RemoveTree(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Copies a simulator library of the build (OSTRILO_SIM_DIR) into the folder.
    bool CopySimulator(const std::string& dll) const;

private:
    std::string path_;
};

}  // namespace ostrilo::wintest
