// What the Wine start-up tests cannot reach with the real program: a port beyond TCP's
// range, a bridge connection that fails or cannot be called, and the service branch.

#include "app/startup_sequence.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/app_directory.h"
#include "config/config_reader.h"
#include "fakes/fake_bridge.h"
#include "fakes/fake_configuration.h"
#include "fakes/fake_service.h"
#include "fakes/fake_tcp.h"
#include "platform/folder_security.h"
#include "fakes/recording_log.h"

namespace ostrilo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct FakeFolderSecurity : platform::FolderSecurity {
    bool OpenToNonAdministrators(const std::string&) override { return open; }
    bool open = false;
};

class StartupSequenceTest : public ::testing::Test {
protected:
    std::vector<std::string> Start() {
        log.lines.clear();
        state.appDirectory = "C:\\Plant\\";
        ConfigReader config(profile, registry, state.appDirectory);
        StartupSequence startup(state, log, config, listener, bridge);
        startup.AttachToServiceManager(service);
        startup.SettleConfiguration();
        windowShown = startup.EnterRunMode(service, folders);
        return log.lines;
    }
    void SetIni(const std::string& key, const std::string& value) { profile.Set("General", key, value); }

    testing::FakeProfileReader profile;
    testing::FakeRegistry registry;
    testing::RecordingLog log;
    testing::FakeListener listener;
    testing::FakeBridge bridge;
    testing::FakeServiceControl service;
    FakeFolderSecurity folders;
    StartupState state;
    bool windowShown = false;
};

TEST_F(StartupSequenceTest, PortOutsideTheTcpRangeIsRefusedInsteadOfTruncated) {
    SetIni("ConnectionType", "1");
    SetIni("PortNumber", "70000");
    EXPECT_EQ(Start().at(3), "Could not set Halvex connection port 70000 in listen mode, error: error 10022");
    EXPECT_TRUE(listener.listenedPorts.empty());
    EXPECT_EQ(state.connectionType, 1);
}

TEST_F(StartupSequenceTest, ConnectFailureOrUnreachableEntryPointIsLoggedAsFailure) {
    SetIni("ConnectionType", "0");
    for (std::optional<std::int16_t> result : {std::optional<std::int16_t>(0), std::optional<std::int16_t>()}) {
        bridge.connectResult = result;
        EXPECT_EQ(Start().at(3), "Failed to call ConnectWinCCDMProc()");
        EXPECT_EQ(state.connectionType, 0) << "the export stays on: WinCC may come later";
    }
}

TEST_F(StartupSequenceTest, ServiceModeAttachesWritesTheEventEntryAndHidesTheWindow) {
    SetIni("ConnectionType", "0");
    folders.open = true;
    Start();
    EXPECT_TRUE(windowShown);
    EXPECT_TRUE(service.calls.empty()) << "an application neither attaches nor checks its folder";

    state.runAsService = true;
    folders.open = false;
    EXPECT_EQ(Start().back(), "Ostrilo started as a service");
    EXPECT_FALSE(windowShown);
    EXPECT_THAT(service.calls, ElementsAre("StartAttachment", "ReportRunning", "Event 4 110 Ostrilo started"));

    folders.open = true;
    service.calls.clear();
    EXPECT_THAT(Start().back(), HasSubstr("not administrators may create or change files in the program folder C:\\Plant\\,"));
    EXPECT_THAT(service.calls.back(), HasSubstr("Event 2 110 Warning: users who are not administrators"));
}

TEST(AppDirectory, AlwaysEndsInExactlyOneBackslash) {
    EXPECT_EQ(AppDirectoryOf("C:\\Program Files\\Ostrilo\\Ostrilo.exe"), "C:\\Program Files\\Ostrilo\\");
    EXPECT_EQ(AppDirectoryOf("C:\\Ostrilo.exe"), "C:\\");
    EXPECT_EQ(AppDirectoryOf("\\\\server\\share\\Ostrilo.exe"), "\\\\server\\share\\");
}

}  // namespace
}  // namespace ostrilo
