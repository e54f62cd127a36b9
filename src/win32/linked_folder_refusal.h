#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ostrilo::win32 {

// The service writes into its folders with the system's rights. A folder, or a name in
// it, that leads somewhere else (a junction, a mount point, a symbolic link) would let
// whoever made it have the system create, change or delete files anywhere; so in the
// guarded folders nothing is followed, and each refusal is reported with the folder.
class LinkedFolderRefusal {
public:
    using Report = std::function<void(const std::string& folder)>;

    // Folders without a trailing backslash. Until this is called every path is allowed.
    void Guard(std::vector<std::string> folders, Report report);

    // Whether `path` is one of the guarded folders or lies in one.
    bool Covers(const std::string& path) const;
    // False when `path` lies in (or is) a guarded folder that is a link, or is a link itself.
    bool Allows(const std::string& path);
    // For a handle opened without following a link: whether a guarded file is a plain one,
    // with no second name through which it could be some other file.
    bool IsPlainFile(const std::string& path, HANDLE file);

private:
    const std::string* FolderOf(const std::string& path) const;
    void Refuse(const std::string& folder);

    std::vector<std::string> folders_;
    Report report_;
};

}  // namespace ostrilo::win32
