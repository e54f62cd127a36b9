#include "win32/win32_registry.h"

#include "win32/program_registry_view.h"
#include "win32/scoped_handles.h"

namespace ostrilo::win32 {
namespace {

// Longer values do not fit and count as absent (ERROR_MORE_DATA).
constexpr DWORD kValueBufferSize = 1024;

}  // namespace

std::optional<platform::RegistryValue> Win32Registry::QueryLocalMachineValue(
    const std::string& subKey, const std::string& valueName) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, KEY_READ | kProgramRegistryView, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const ScopedRegistryKey key(opened);

    platform::RegistryValue value;
    value.data.assign(kValueBufferSize, 0);
    DWORD type = 0;
    DWORD size = kValueBufferSize;
    if (::RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, &type, value.data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.type = type;
    value.data.resize(size < kValueBufferSize ? size : kValueBufferSize);
    return value;
}

}  // namespace ostrilo::win32
