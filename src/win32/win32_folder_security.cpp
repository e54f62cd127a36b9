#include "win32/win32_folder_security.h"

#include <array>

#include "win32/scoped_handles.h"

#include <aclapi.h>

namespace ostrilo::win32 {
namespace {

constexpr std::array<WELL_KNOWN_SID_TYPE, 4> kNonAdministratorGroups{
    WinBuiltinUsersSid, WinAuthenticatedUserSid, WinWorldSid, WinInteractiveSid};

// Rights on the folder itself that let someone put a file into it or take its rights over.
constexpr ACCESS_MASK kFolderWriteRights = FILE_ADD_FILE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER;
// Rights that, inherited by the folder's files, let someone change or replace them.
constexpr ACCESS_MASK kFileWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC | WRITE_OWNER;

bool IsNonAdministratorGroup(PSID sid) {
    for (const WELL_KNOWN_SID_TYPE group : kNonAdministratorGroups) {
        if (::IsWellKnownSid(sid, group)) return true;
    }
    return false;
}

ACCESS_MASK WithGenericRightsSpelledOut(ACCESS_MASK mask) {
    GENERIC_MAPPING fileRights{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    ::MapGenericMask(&mask, &fileRights);
    return mask;
}

bool GrantsWrite(const ACCESS_ALLOWED_ACE& entry) {
    const ACCESS_MASK rights = WithGenericRightsSpelledOut(entry.Mask);
    const BYTE flags = entry.Header.AceFlags;
    const bool onFolder = (flags & INHERIT_ONLY_ACE) == 0 && (rights & kFolderWriteRights) != 0;
    const bool onFiles = (flags & OBJECT_INHERIT_ACE) != 0 && (rights & kFileWriteRights) != 0;
    return onFolder || onFiles;
}

}  // namespace

bool Win32FolderSecurity::OpenToNonAdministrators(const std::string& folder) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL accessList = nullptr;
    const DWORD error = ::GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                                nullptr, &accessList, nullptr, &descriptor);
    const ScopedLocalMemory ownedDescriptor(descriptor);
    if (error != ERROR_SUCCESS) return false;
    if (accessList == nullptr) return true;  // no access list at all: everyone may do anything
    for (DWORD index = 0; index < accessList->AceCount; ++index) {
        void* entry = nullptr;
        if (!::GetAce(accessList, index, &entry)) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        if (IsNonAdministratorGroup(&allowed->SidStart) && GrantsWrite(*allowed)) return true;
    }
    return false;
}

}  // namespace ostrilo::win32
