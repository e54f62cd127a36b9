#pragma once

#include <string>

namespace ostrilo::win32 {

// The service's settings live in HKLM\SOFTWARE\Fennmark\Ostrilo\<section> of the 32-bit
// registry view, one REG_SZ value per key. Not under the service's own key: the program writes "RunAsService"
// after removing the service, and that must not recreate a half service entry.
constexpr char kServiceSettingsRoot[] = "SOFTWARE\\Fennmark\\Ostrilo";

// The text of the setting, or defaultText when it is absent, not a text, or too long.
std::string ReadServiceSetting(const std::string& section, const std::string& key, const std::string& defaultText);

bool WriteServiceSetting(const std::string& section, const std::string& key, const std::string& value);

}  // namespace ostrilo::win32
