#include "win32/administrators_lock.h"

#include <sddl.h>

namespace ostrilo::win32 {
namespace {

constexpr wchar_t kBoundaryName[] = L"Fennmark.Ostrilo";
constexpr wchar_t kNamespaceAlias[] = L"Fennmark.Ostrilo";
// Full access for Administrators and LocalSystem, nothing for anyone else.
constexpr char kNamespaceAccess[] = "D:P(A;;GA;;;BA)(A;;GA;;;SY)";

// The namespace's access list; empty when it cannot be built.
ScopedLocalMemory NamespaceAccess() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(kNamespaceAccess, SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
        return ScopedLocalMemory();
    }
    return ScopedLocalMemory(descriptor);
}

}  // namespace

AdministratorsLock::AdministratorsLock(const std::string& mutexName) {
    if (!CreateOrOpenNamespace()) return;
    const std::wstring nameInNamespace =
        std::wstring(kNamespaceAlias) + L"\\" + std::wstring(mutexName.begin(), mutexName.end());
    mutex_.Reset(::CreateMutexW(nullptr, FALSE, nameInNamespace.c_str()));
    const DWORD error = ::GetLastError();
    if (!mutex_.IsValid()) {
        state_ = error == ERROR_ACCESS_DENIED ? State::HeldElsewhere : State::Unavailable;
    } else {
        state_ = error == ERROR_ALREADY_EXISTS ? State::HeldElsewhere : State::Held;
    }
}

AdministratorsLock::~AdministratorsLock() {
    mutex_.Reset();
    if (namespace_ != nullptr) ::ClosePrivateNamespace(namespace_, 0);
    if (boundary_ != nullptr) ::DeleteBoundaryDescriptor(boundary_);
}

bool AdministratorsLock::CreateOrOpenNamespace() {
    // Wine gives no descriptor here, and its functions after this one abort when called.
    boundary_ = ::CreateBoundaryDescriptorW(kBoundaryName, 0);
    if (boundary_ == nullptr) return false;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
        !::AddSIDToBoundaryDescriptor(&boundary_, administrators)) {
        return false;
    }
    const ScopedLocalMemory access = NamespaceAccess();
    if (!access.IsValid()) return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, access.Get(), FALSE};
    namespace_ = ::CreatePrivateNamespaceW(&attributes, boundary_, kNamespaceAlias);
    // A process without administrator rights is refused here; one with them finds the
    // namespace of another instance already there and opens it.
    if (namespace_ == nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
        namespace_ = ::OpenPrivateNamespaceW(boundary_, kNamespaceAlias);
    }
    return namespace_ != nullptr;
}

}  // namespace ostrilo::win32
