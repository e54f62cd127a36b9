#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/profile_reader.h"
#include "platform/registry.h"

namespace ostrilo::testing {

// Ostrilo.ini as a map of (section, key) -> value; names compare as given.
class FakeProfileReader : public platform::ProfileReader {
public:
    void Set(const std::string& section, const std::string& key, const std::string& value) {
        values_[{section, key}] = value;
    }
    std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultText,
                           const std::string&) override {
        const auto found = values_.find({section, key});
        return found == values_.end() ? defaultText : found->second;
    }

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

// Values of the program key by name; the sub-key asked for is not matched.
class FakeRegistry : public platform::Registry {
public:
    void Set(const std::string& name, platform::RegistryValue value) { values_[name] = std::move(value); }
    std::optional<platform::RegistryValue> QueryLocalMachineValue(const std::string&,
                                                                  const std::string& valueName) override {
        const auto found = values_.find(valueName);
        if (found == values_.end()) return std::nullopt;
        return found->second;
    }

private:
    std::map<std::string, platform::RegistryValue> values_;
};

}  // namespace ostrilo::testing
