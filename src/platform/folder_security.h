#pragma once

#include <string>

namespace ostrilo::platform {

// Who may write into a folder, read from its access list.
class FolderSecurity {
public:
    virtual ~FolderSecurity() = default;
    // True when Users, Authenticated Users, Everyone or INTERACTIVE may create or change
    // files in the folder. A folder whose access list cannot be read counts as not open:
    // the answer must not cry wolf at every start.
    virtual bool OpenToNonAdministrators(const std::string& folder) = 0;
};

}  // namespace ostrilo::platform
