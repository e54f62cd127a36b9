#pragma once

#include "platform/folder_security.h"

namespace ostrilo::win32 {

// Reads the owner and the access list of a folder or file. Allowed entries count when
// they let an untrusted account add files, take files away, change a file, or change the
// object's own rights, or when a folder hands write rights down to its files. Deny
// entries are not weighed against them: the check errs on the side of warning.
class Win32FolderSecurity : public platform::FolderSecurity {
public:
    bool OpenToNonAdministrators(const std::string& path) override;
};

}  // namespace ostrilo::win32
