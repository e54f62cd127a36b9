#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrilo {

// One allowing entry of a Windows access list, generic rights already spelled out.
struct AccessEntry {
    std::string account;            // the account's SID as text, e.g. "S-1-5-32-545"
    std::uint32_t rights = 0;
    bool appliesToObject = true;    // false for an entry that is only inherited
    bool inheritedByFiles = false;  // handed down to the files a folder holds
};

enum class ObjectKind { Folder, File };

// Administrators, LocalSystem, TrustedInstaller, the creator-owner placeholder (it stands
// for whoever creates a file, and grants nothing on the folder itself) and the account
// this process runs as: each of them can do what the service does anyway.
bool IsTrustedAccount(std::string_view account, std::string_view ownAccount);

// Whether the entry lets an untrusted account put a file in, change or replace one, or
// take the object's rights over.
bool OpensToUntrusted(const AccessEntry& entry, ObjectKind kind, std::string_view ownAccount);

}  // namespace ostrilo
