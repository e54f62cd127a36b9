#include "config/config_reader.h"

#include <utility>

#include "config/registry_value_text.h"

namespace ostrilo {

ConfigReader::ConfigReader(platform::ProfileReader& profileReader, platform::Registry& registry,
                           const std::string& appDirectory)
    : profileReader_(profileReader), registry_(registry), appDirectory_(appDirectory) {}

std::string ConfigReader::ReadIniValue(const std::string& section, const std::string& key,
                                       const std::string& defaultText) {
    return ReadIniValue(section, key, defaultText, kIniFileName);
}

std::string ConfigReader::ReadIniValue(const std::string& section, const std::string& key,
                                       const std::string& defaultText, const std::string& fileName) {
    return profileReader_.ReadString(section, key, defaultText, appDirectory_ + fileName);
}

std::optional<std::string> ConfigReader::ReadRegistryValue(const std::string& valueName,
                                                           const std::string& subKey) {
    const auto value = registry_.QueryLocalMachineValue(subKey, valueName);
    if (!value) return std::nullopt;
    return RegistryValueText(*value);
}

}  // namespace ostrilo
