#include "app/access_entry_rules.h"

#include <array>

namespace ostrilo {
namespace {

// Windows access-mask bits, fixed in the Windows headers.
constexpr std::uint32_t kAddFileOrWriteData = 0x0002;
constexpr std::uint32_t kAddFolderOrAppendData = 0x0004;
constexpr std::uint32_t kDeleteChild = 0x0040;
constexpr std::uint32_t kDelete = 0x00010000;
constexpr std::uint32_t kWriteDac = 0x00040000;
constexpr std::uint32_t kWriteOwner = 0x00080000;

constexpr std::uint32_t kTakeOver = kWriteDac | kWriteOwner;
// On a folder: put a file or folder in, or take one away.
constexpr std::uint32_t kFolderWriteRights = kAddFileOrWriteData | kAddFolderOrAppendData | kDeleteChild | kTakeOver;
// On a file: change it, or replace it by deleting it first.
constexpr std::uint32_t kFileWriteRights = kAddFileOrWriteData | kAddFolderOrAppendData | kDelete | kTakeOver;

constexpr std::array<std::string_view, 4> kTrustedAccounts{
    "S-1-5-32-544",  // Administrators
    "S-1-5-18",      // LocalSystem
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
    "S-1-3-0",       // CREATOR OWNER
};

}  // namespace

bool IsTrustedAccount(std::string_view account, std::string_view ownAccount) {
    if (!ownAccount.empty() && account == ownAccount) return true;
    for (const std::string_view trusted : kTrustedAccounts) {
        if (account == trusted) return true;
    }
    return false;
}

bool OpensToUntrusted(const AccessEntry& entry, ObjectKind kind, std::string_view ownAccount) {
    if (IsTrustedAccount(entry.account, ownAccount)) return false;
    const std::uint32_t ownRights = kind == ObjectKind::Folder ? kFolderWriteRights : kFileWriteRights;
    const bool onObject = entry.appliesToObject && (entry.rights & ownRights) != 0;
    const bool onFiles = kind == ObjectKind::Folder && entry.inheritedByFiles && (entry.rights & kFileWriteRights) != 0;
    return onObject || onFiles;
}

}  // namespace ostrilo
