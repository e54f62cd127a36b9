#pragma once

#include "platform/folder_security.h"

namespace ostrilo::win32 {

// Reads the folder's access list. Allowed entries for the four non-administrator
// groups count when they let them add files, take files away, or change the folder's
// own rights, or when they are inherited by the folder's files with write rights.
// Deny entries are not weighed against them: the check errs on the side of warning.
class Win32FolderSecurity : public platform::FolderSecurity {
public:
    bool OpenToNonAdministrators(const std::string& folder) override;
};

}  // namespace ostrilo::win32
