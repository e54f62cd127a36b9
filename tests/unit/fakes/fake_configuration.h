#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/profile_reader.h"
#include "platform/registry.h"

namespace ostrilo::testing {

// Ostrilo.ini as a map of (section, key) -> value; names compare as given; the path is recorded.
class FakeProfileReader : public platform::ProfileReader {
public:
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        values_[{section, key}] = value;
    }
    std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultText,
                           const std::string& path) override {
        lastPath = path;
        const auto found = values_.find({section, key});
        return found == values_.end() ? defaultText : found->second;
    }
    std::string lastPath;

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

// Values of the program key by name; the sub-key asked for is recorded, not matched.
class FakeRegistry : public platform::Registry {
public:
    void Set(const std::string& name, platform::RegistryValue value) { values_[name] = std::move(value); }
    void SetText(const std::string& name, const std::string& text) {
        platform::RegistryValue value{1, {text.begin(), text.end()}};
        value.data.push_back(0);
        values_[name] = value;
    }
    void SetNumber(const std::string& name, std::uint32_t number) {
        values_[name] = {4,
                         {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
    }
    std::optional<platform::RegistryValue> QueryLocalMachineValue(const std::string& subKey,
                                                                  const std::string& valueName) override {
        lastSubKey = subKey;
        const auto found = values_.find(valueName);
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }
    std::string lastSubKey;

private:
    std::map<std::string, platform::RegistryValue> values_;
};

}  // namespace ostrilo::testing
