#include "win32/win32_folder_security.h"

#include "app/access_entry_rules.h"
#include "win32/scoped_handles.h"

#include <aclapi.h>
#include <sddl.h>

namespace ostrilo::win32 {
namespace {

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!::ConvertSidToStringSidA(sid, &text)) return std::string();
    const ScopedLocalMemory owned(text);
    return text;
}

// The account whose token this process carries: LocalSystem for the service.
std::string OwnAccount() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return std::string();
    const ScopedKernelHandle ownedToken(token);
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    DWORD length = 0;
    if (!::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &length)) return std::string();
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

AccessEntry EntryOf(const ACCESS_ALLOWED_ACE& allowed) {
    ACCESS_MASK rights = allowed.Mask;
    GENERIC_MAPPING fileRights{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    ::MapGenericMask(&rights, &fileRights);
    const BYTE flags = allowed.Header.AceFlags;
    return AccessEntry{SidText(const_cast<DWORD*>(&allowed.SidStart)), rights, (flags & INHERIT_ONLY_ACE) == 0,
                       (flags & OBJECT_INHERIT_ACE) != 0};
}

bool AnyEntryOpens(const ACL& accessList, ObjectKind kind, const std::string& ownAccount) {
    for (DWORD index = 0; index < accessList.AceCount; ++index) {
        void* entry = nullptr;
        if (!::GetAce(const_cast<ACL*>(&accessList), index, &entry)) continue;
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        if (OpensToUntrusted(EntryOf(*allowed), kind, ownAccount)) return true;
    }
    return false;
}

}  // namespace

bool Win32FolderSecurity::OpenToNonAdministrators(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // nothing there to plant through
    const ObjectKind kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ObjectKind::Folder : ObjectKind::File;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PSID owner = nullptr;
    PACL accessList = nullptr;
    const DWORD error =
        ::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                &owner, nullptr, &accessList, nullptr, &descriptor);
    const ScopedLocalMemory ownedDescriptor(descriptor);
    if (error != ERROR_SUCCESS) return false;
    if (accessList == nullptr) return true;  // no access list at all: everyone may do anything
    const std::string ownAccount = OwnAccount();
    // An owner may always rewrite the access list.
    if (owner != nullptr && !IsTrustedAccount(SidText(owner), ownAccount)) return true;
    return AnyEntryOpens(*accessList, kind, ownAccount);
}

}  // namespace ostrilo::win32
