#include "config/config_reader.h"

#include <utility>

#include "config/registry_value_text.h"

namespace ostrilo {

namespace {
constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";
constexpr std::size_t kByteOrderMarkLength = sizeof kUtf8ByteOrderMark - 1;
}  // namespace

ConfigReader::ConfigReader(platform::ProfileReader& profileReader, platform::Registry& registry,
                           platform::DurableFiles& files, std::string appDirectory)
    : profileReader_(profileReader), registry_(registry), files_(files), appDirectory_(std::move(appDirectory)) {}

bool ConfigReader::IniFileStartsWithByteOrderMark() {
    const auto start = files_.ReadFileUpTo(appDirectory_ + kIniFileName, kByteOrderMarkLength);
    return start && start->compare(0, kByteOrderMarkLength, kUtf8ByteOrderMark) == 0;
}

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
