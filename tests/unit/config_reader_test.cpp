#include "config/config_reader.h"

#include <gtest/gtest.h>

#include "fakes/fake_configuration.h"

namespace ostrilo {
namespace {

// A value stored without data would otherwise read as an empty text and shadow the INI.
TEST(ConfigReader, RegistryGivesNoValueWhenMissingOrWithoutData) {
    testing::FakeProfileReader profile;
    testing::FakeRegistry registry;
    const std::string appDirectory = "C:\\Plant\\";
    ConfigReader reader{profile, registry, appDirectory};
    EXPECT_EQ(reader.ReadRegistryValue("ConnectionType"), std::nullopt);
    registry.Set("ConnectionType", {1, {}});
    EXPECT_EQ(reader.ReadRegistryValue("ConnectionType"), std::nullopt);
}

}  // namespace
}  // namespace ostrilo
