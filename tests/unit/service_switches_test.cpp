#include "app/service_switches.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/fake_service.h"

namespace ostrilo {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

TEST(RunKindOfArguments, RemovalWinsAndSwitchesMatchAnywhereInAnyCase) {
    EXPECT_EQ(RunKindOfArguments(""), RunKind::NormalStart);
    EXPECT_EQ(RunKindOfArguments("/i"), RunKind::Installation);
    EXPECT_EQ(RunKindOfArguments("-install"), RunKind::Installation);
    EXPECT_EQ(RunKindOfArguments("/U"), RunKind::Removal);
    EXPECT_EQ(RunKindOfArguments("/I /U"), RunKind::Removal);
    EXPECT_EQ(RunKindOfArguments("-u -i"), RunKind::Removal);
    EXPECT_EQ(RunKindOfArguments("c:/users/x.ini"), RunKind::Removal);
    EXPECT_EQ(RunKindOfArguments("verbose"), RunKind::NormalStart);
}

class ServiceSwitchesTest : public ::testing::Test {
protected:
    RunKind Classify() { return ServiceSwitches(state, service, process).Classify(); }

    StartupState state;
    testing::FakeServiceControl service;
    testing::FakeProcess process;
};

TEST_F(ServiceSwitchesTest, RunAsServiceCountsAnyWholeNonZeroNumber) {
    const struct {
        const char* setting;
        bool expected;
    } cases[] = {{"1", true}, {"2", true}, {" 1 ", true}, {"0", false}, {"", false}, {"yes", false}};
    for (const auto& c : cases) {
        service.settings["Parameters\\RunAsService"] = c.setting;
        EXPECT_EQ(Classify(), RunKind::NormalStart);
        EXPECT_EQ(state.runAsService, c.expected) << "RunAsService=" << c.setting;
    }
    service.settings.clear();
    Classify();
    EXPECT_FALSE(state.runAsService);
}

TEST_F(ServiceSwitchesTest, SecondInstanceOfAServiceEndsWithoutABox) {
    process.anotherInstance = true;
    service.settings["Parameters\\RunAsService"] = "1";
    EXPECT_THROW(Classify(), testing::ProcessEnded);
    EXPECT_THAT(process.boxes, IsEmpty()) << "a service has nobody to read a box";
    EXPECT_THAT(service.calls, ElementsAre(StartsWith("Event 2 110 Ostrilo did not start as a service")));
}

TEST_F(ServiceSwitchesTest, FailedInstallationOrRemovalLeavesTheSettingAsItWas) {
    service.installSucceeds = false;
    service.uninstallSucceeds = false;
    for (const char* arguments : {"-I", "/u"}) {
        for (const char* before : {"0", "1"}) {
            service.settings["Parameters\\RunAsService"] = before;
            process.arguments = arguments;
            Classify();
            EXPECT_EQ(service.settings["Parameters\\RunAsService"], before) << arguments;
        }
    }
    EXPECT_THAT(process.boxes, ElementsAre("Ostrilo failed to install as service", "Ostrilo failed to install as service",
                                           "Ostrilo failed to uninstall as service",
                                           "Ostrilo failed to uninstall as service"));
}

}  // namespace
}  // namespace ostrilo
