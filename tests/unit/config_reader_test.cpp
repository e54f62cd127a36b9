#include "config/config_reader.h"

#include <gtest/gtest.h>

#include "fakes/fake_configuration.h"

namespace ostrilo {
namespace {

class ConfigReaderTest : public ::testing::Test {
protected:
    testing::FakeProfileReader profile;
    testing::FakeRegistry registry;
    const std::string appDirectory = "C:\\Plant\\Ostrilo\\";
    ConfigReader reader{profile, registry, appDirectory};
};

TEST_F(ConfigReaderTest, IniValuesComeFromOstriloIniInTheAppDirectory) {
    profile.Set("General", "PortNumber", "14001");
    EXPECT_EQ(reader.ReadIniValue("General", "PortNumber", "-1"), "14001");
    EXPECT_EQ(profile.lastPath, "C:\\Plant\\Ostrilo\\Ostrilo.ini");

    reader.ReadIniValue("General", "PortNumber", "-1", "Other.ini");
    EXPECT_EQ(profile.lastPath, "C:\\Plant\\Ostrilo\\Other.ini");
}

TEST_F(ConfigReaderTest, MissingIniValueGivesTheDefaultAndEmptyValueStaysEmpty) {
    EXPECT_EQ(reader.ReadIniValue("General", "DaysToKeepLogFiles", "60"), "60");
    profile.Set("HalvexMessageWhenOstriloIsStarted", "T0", "");
    EXPECT_EQ(reader.ReadIniValue("HalvexMessageWhenOstriloIsStarted", "T0", "x"), "");
}

TEST_F(ConfigReaderTest, RegistryValuesComeFromTheProgramKeyAsText) {
    registry.SetNumber("ServerPort", 14000);
    registry.SetText("ConnectionType", "1");
    EXPECT_EQ(reader.ReadRegistryValue("ServerPort"), "&h0036B0");
    EXPECT_EQ(registry.lastSubKey, "SOFTWARE\\Fennmark\\Ostrilo\\Version 1");
    EXPECT_EQ(reader.ReadRegistryValue("ConnectionType"), "1");
}

TEST_F(ConfigReaderTest, RegistryGivesNoValueWhenMissingOrWithoutData) {
    EXPECT_EQ(reader.ReadRegistryValue("ConnectionType"), std::nullopt);
    registry.Set("ConnectionType", {1, {}});
    EXPECT_EQ(reader.ReadRegistryValue("ConnectionType"), std::nullopt);
}

TEST_F(ConfigReaderTest, RegistrySubKeyIsUsedExactlyAsPassed) {
    registry.Set("ConnectionType", {3, {1, 2}});
    EXPECT_EQ(reader.ReadRegistryValue("ConnectionType", "SOFTWARE\\Other"), "");
    EXPECT_EQ(registry.lastSubKey, "SOFTWARE\\Other");
}

}  // namespace
}  // namespace ostrilo
