#pragma once

#include <string>

namespace ostrilo::platform {

// Who may change a folder or a file, read from its owner and access list.
class FolderSecurity {
public:
    virtual ~FolderSecurity() = default;
    // True when an account other than Administrators, LocalSystem, TrustedInstaller (or the
    // one this process runs as) owns the folder or file, or may create or change files
    // in it or the file itself. One whose access list cannot be read, or that does not
    // exist, counts as not open: the answer must not cry wolf at every start.
    virtual bool OpenToNonAdministrators(const std::string& path) = 0;
};

}  // namespace ostrilo::platform
