#include "config/config_reader.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace ostrilo {
namespace {

// Records the call and answers from a table of (path, section, key).
class FakeProfileReader : public platform::ProfileReader {
public:
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultText, const std::string& path) override {
        lastPath = path;
        const auto found = values.find({path, section, key});
        return found == values.end() ? defaultText : found->second;
    }
    std::map<std::tuple<std::string, std::string, std::string>, std::string> values;
    std::string lastPath;
};

class FakeRegistry : public platform::Registry {
public:
    std::optional<platform::RegistryValue> QueryLocalMachineValue(const std::string& subKey,
                                                                  const std::string& valueName) override {
        lastSubKey = subKey;
        const auto found = values.find({subKey, valueName});
        if (found == values.end()) return std::nullopt;
        return found->second;
    }
    std::map<std::pair<std::string, std::string>, platform::RegistryValue> values;
    std::string lastSubKey;
};

class ConfigReaderTest : public ::testing::Test {
protected:
    FakeProfileReader profile;
    FakeRegistry registry;
    const std::string appDirectory = "C:\\Plant\\Ostrilo\\";
    ConfigReader reader{profile, registry, appDirectory};
};

TEST_F(ConfigReaderTest, IniValuesComeFromOstriloIniInTheAppDirectory) {
    profile.values[{"C:\\Plant\\Ostrilo\\Ostrilo.ini", "General", "PortNumber"}] = "14001";
    EXPECT_EQ(reader.ReadIniValue("General", "PortNumber", "-1"), "14001");
    EXPECT_EQ(profile.lastPath, "C:\\Plant\\Ostrilo\\Ostrilo.ini");

    reader.ReadIniValue("General", "PortNumber", "-1", "Other.ini");
    EXPECT_EQ(profile.lastPath, "C:\\Plant\\Ostrilo\\Other.ini");
}

TEST_F(ConfigReaderTest, MissingIniValueGivesTheDefaultAndEmptyValueStaysEmpty) {
    EXPECT_EQ(reader.ReadIniValue("General", "DaysToKeepLogFiles", "60"), "60");
    profile.values[{"C:\\Plant\\Ostrilo\\Ostrilo.ini", "HalvexMessageWhenOstriloIsStarted", "T0"}] = "";
    EXPECT_EQ(reader.ReadIniValue("HalvexMessageWhenOstriloIsStarted", "T0", "x"), "");
}

TEST_F(ConfigReaderTest, RegistryValuesComeFromTheProgramKeyAsText) {
    registry.values[{kProgramRegistryKey, "ServerPort"}] = {4, {0xB0, 0x36, 0x00, 0x00}};
    registry.values[{kProgramRegistryKey, "ConnectionType"}] = {1, {'1', 0}};
    EXPECT_EQ(reader.ReadRegistryValue("ServerPort"), "&h0036B0");
    EXPECT_EQ(registry.lastSubKey, "SOFTWARE\\Fennmark\\Ostrilo\\Version 1");
    EXPECT_EQ(reader.ReadRegistryValue("ConnectionType"), "1");
}

TEST_F(ConfigReaderTest, RegistryGivesNoValueWhenMissingOrWithoutData) {
    EXPECT_EQ(reader.ReadRegistryValue("ConnectionType"), std::nullopt);
    registry.values[{kProgramRegistryKey, "ConnectionType"}] = {1, {}};
    EXPECT_EQ(reader.ReadRegistryValue("ConnectionType"), std::nullopt);
}

TEST_F(ConfigReaderTest, RegistrySubKeyIsUsedExactlyAsPassed) {
    registry.values[{"SOFTWARE\\Other", "ConnectionType"}] = {3, {1, 2}};
    EXPECT_EQ(reader.ReadRegistryValue("ConnectionType", "SOFTWARE\\Other"), "");
    EXPECT_EQ(registry.lastSubKey, "SOFTWARE\\Other");
}

}  // namespace
}  // namespace ostrilo
