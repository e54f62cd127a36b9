#include "win32/service/service_settings.h"

#include <vector>

#include "win32/program_registry_view.h"
#include "win32/scoped_handles.h"

namespace ostrilo::win32 {
namespace {

// Settings are short words; anything longer was not written by this program.
constexpr DWORD kSettingBufferSize = 1024;

std::string SectionKey(const std::string& section) { return std::string(kServiceSettingsRoot) + "\\" + section; }

}  // namespace

std::string ReadServiceSetting(const std::string& section, const std::string& key, const std::string& defaultText) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, SectionKey(section).c_str(), 0, KEY_QUERY_VALUE | kProgramRegistryView, &opened) !=
        ERROR_SUCCESS) {
        return defaultText;
    }
    const ScopedRegistryKey sectionKey(opened);

    std::vector<char> buffer(kSettingBufferSize);
    DWORD type = 0;
    DWORD size = kSettingBufferSize;
    if (::RegQueryValueExA(sectionKey.Get(), key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                           &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return defaultText;
    }
    // The stored text may or may not carry its terminating zero; it ends at the first one.
    const std::string stored(buffer.data(), size);
    return stored.substr(0, stored.find('\0'));
}

bool WriteServiceSetting(const std::string& section, const std::string& key, const std::string& value) {
    HKEY created = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, SectionKey(section).c_str(), 0, nullptr, 0, KEY_SET_VALUE | kProgramRegistryView, nullptr,
                          &created, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const ScopedRegistryKey sectionKey(created);
    // Counting the terminating zero keeps the value readable by every reader.
    return ::RegSetValueExA(sectionKey.Get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace ostrilo::win32
