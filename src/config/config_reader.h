#pragma once

#include <optional>
#include <string>

#include "config/ini_values.h"
#include "platform/durable_files.h"
#include "platform/profile_reader.h"
#include "platform/registry.h"

namespace ostrilo {

// The older settings key under HKEY_LOCAL_MACHINE.
inline constexpr char kProgramRegistryKey[] = "SOFTWARE\\Fennmark\\Ostrilo\\Version 1";
inline constexpr char kIniFileName[] = "Ostrilo.ini";

// The program's two configuration stores, read afresh at every call, never written.
class ConfigReader : public IniValues {
public:
    // appDirectory ends in a backslash; INI files are looked up in it.
    ConfigReader(platform::ProfileReader& profileReader, platform::Registry& registry,
                 platform::DurableFiles& files, std::string appDirectory);

    // From Ostrilo.ini.
    std::string ReadIniValue(const std::string& section, const std::string& key,
                             const std::string& defaultText) override;
    std::string ReadIniValue(const std::string& section, const std::string& key,
                             const std::string& defaultText, const std::string& fileName);

    // Notepad's "UTF-8" puts these three bytes first; the profile reader then takes them for
    // part of the first section's name and never finds that section.
    bool IniFileStartsWithByteOrderMark();

    // Empty when the caller's default applies: key or value missing, unreadable,
    // longer than 1024 bytes or without any data.
    std::optional<std::string> ReadRegistryValue(const std::string& valueName,
                                                 const std::string& subKey = kProgramRegistryKey);

private:
    platform::ProfileReader& profileReader_;
    platform::Registry& registry_;
    platform::DurableFiles& files_;
    const std::string appDirectory_;
};

}  // namespace ostrilo
