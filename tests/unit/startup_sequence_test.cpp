// What the Wine start-up tests cannot reach with the real program: a port beyond TCP's
// range, a bridge connection that fails or cannot be called, and the service branch.

#include "app/startup_sequence.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "app/app_directory.h"
#include "config/config_reader.h"
#include "fakes/fake_bridge.h"
#include "fakes/fake_configuration.h"
#include "fakes/fake_service.h"
#include "fakes/fake_tcp.h"
#include "fakes/recording_log.h"

namespace ostrilo {
namespace {

using ::testing::ElementsAre;

class StartupSequenceTest : public ::testing::Test {
protected:
    std::vector<std::string> Start() {
        log.lines.clear();
        state.appDirectory = "C:\\Plant\\";
        ConfigReader config(profile, registry, state.appDirectory);
        StartupSequence startup(state, log, config, listener, bridge);
        startup.SettleConfiguration();
        windowShown = startup.EnterRunMode(service);
        return log.lines;
    }
    void SetIni(const std::string& key, const std::string& value) { profile.Set("General", key, value); }

    testing::FakeProfileReader profile;
    testing::FakeRegistry registry;
    testing::RecordingLog log;
    testing::FakeListener listener;
    testing::FakeBridge bridge;
    testing::FakeServiceControl service;
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
    Start();
    EXPECT_TRUE(windowShown);
    EXPECT_TRUE(service.calls.empty());

    state.runAsService = true;
    EXPECT_EQ(Start().back(), "Ostrilo started as a service");
    EXPECT_FALSE(windowShown);
    EXPECT_THAT(service.calls, ElementsAre("StartAttachment", "Event 4 110 Ostrilo started"));
}

TEST_F(StartupSequenceTest, HeartbeatIntervalIsOffUnlessPositiveAndNeverBelowTenSeconds) {
    SetIni("ConnectionType", "0");
    const std::string every10 = "We will send a heartbeat to Halvex every 10 seconds";
    const std::vector<std::tuple<std::string, int, std::vector<std::string>>> cases = {
        {"", 0, {}},
        {"0", 0, {}},
        {"10s", 0, {"The heartbeat IntervalSeconds 10s is not a number of seconds, no heartbeat will be sent to Halvex"}},
        {"-30", 0, {"The heartbeat IntervalSeconds -30 is not a number of seconds, no heartbeat will be sent to Halvex"}},
        {"3", 10, {"The heartbeat IntervalSeconds 3 is below 10, raised to 10", every10}},
        {"10", 10, {every10}},
    };
    for (const auto& [text, seconds, lines] : cases) {
        state = StartupState{};
        profile.Set("HalvexMessageHeartbeat", "IntervalSeconds", text);
        const auto logged = Start();
        EXPECT_EQ(std::vector<std::string>(logged.begin() + 4, logged.end() - 1), lines) << text;
        EXPECT_EQ(state.heartbeatIntervalSeconds, seconds) << text;
    }
}

TEST(AppDirectory, AlwaysEndsInExactlyOneBackslash) {
    EXPECT_EQ(AppDirectoryOf("C:\\Program Files\\Ostrilo\\Ostrilo.exe"), "C:\\Program Files\\Ostrilo\\");
    EXPECT_EQ(AppDirectoryOf("C:\\Ostrilo.exe"), "C:\\");
    EXPECT_EQ(AppDirectoryOf("\\\\server\\share\\Ostrilo.exe"), "\\\\server\\share\\");
}

}  // namespace
}  // namespace ostrilo
