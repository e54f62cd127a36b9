#include "app/startup_sequence.h"

#include <functional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/app_directory.h"
#include "config/config_reader.h"
#include "fakes/fake_bridge.h"
#include "fakes/fake_configuration.h"
#include "fakes/fake_service.h"
#include "fakes/recording_log.h"
#include "platform/tcp.h"
#include "supervision/wincc_bridge.h"

namespace ostrilo {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class ScriptedListener : public platform::TcpListener {
public:
    platform::ListenResult Listen(int port) override {
        listenedPorts.push_back(port);
        return {errorCode, port};
    }
    std::unique_ptr<platform::TcpConnection> Accept() override { return nullptr; }
    std::string DescribeError(int code) override { return "error text " + std::to_string(code); }
    int errorCode = 0;
    std::vector<int> listenedPorts;
};

class StartupSequenceTest : public ::testing::Test {
protected:
    std::vector<std::string> Start() {
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
    ScriptedListener listener;
    testing::FakeBridge bridge;
    testing::FakeServiceControl service;
    StartupState state;
    bool windowShown = false;
};

constexpr char kVersionLine[] = "Ostrilo version 1.0.02 is starting";
constexpr char kFromIni[] = "We will use the ConnectionType from Ostrilo.ini";
constexpr char kFromRegistry[] = "We will use the ConnectionType from Registry (probably some old upgraded installation)";
constexpr char kByLibraries[] = "We will send alarm events to Halvex using DLL calls";
constexpr char kInvalid[] = "The ConnectionType is invalid, we will not export any alarm events to Halvex";
constexpr char kConnected[] = "Successfully called ConnectWinCCDMProc()";
constexpr char kNormal[] = "Ostrilo started as a normal application";

TEST_F(StartupSequenceTest, IniOnlySocketConfigurationLogsEveryDecisionInOrder) {
    SetIni("ConnectionType", "1");
    SetIni("PortNumber", "14500");
    EXPECT_THAT(Start(), ElementsAre(kVersionLine, kFromIni, "We will use the PortNumber from Ostrilo.ini",
                                     "We will listen for Halvex connection attempts at port 14500", kConnected,
                                     kNormal));
    EXPECT_EQ(state.connectionType, 1);
    EXPECT_EQ(profile.lastPath, "C:\\Plant\\Ostrilo.ini");
}

TEST_F(StartupSequenceTest, RegistryWinsOverIniAndANonNumberOrMinusOneCountsAsAbsent) {
    SetIni("ConnectionType", "1");
    registry.SetNumber("ConnectionType", 0);
    EXPECT_THAT(Start(), ElementsAre(kVersionLine, kFromRegistry, kByLibraries, kConnected, kNormal));
    EXPECT_EQ(state.connectionType, 0);

    for (const auto& setRegistry : std::vector<std::function<void(testing::FakeRegistry&)>>{
             [](auto& r) { r.SetNumber("ConnectionType", 0xFFFFFFFFu); },
             [](auto& r) { r.SetText("ConnectionType", "-1"); },
             [](auto& r) { r.SetText("ConnectionType", "abc"); },
             [](auto& r) { r.SetText("ConnectionType", ""); }}) {
        registry = {};
        log.lines.clear();
        SetIni("ConnectionType", "0");
        setRegistry(registry);
        EXPECT_THAT(Start(), ElementsAre(kVersionLine, kFromIni, kByLibraries, kConnected, kNormal));
    }
}

TEST_F(StartupSequenceTest, IniConnectionTypeTakesTheLeadingNumber) {
    const struct {
        const char* text;
        std::int32_t expected;
    } cases[] = {{"1 ", 1}, {"1abc", 1}, {"abc", 0}, {"", 0}, {"2", -1}, {"1.5", -1}, {"0.5", 0}};
    for (const auto& c : cases) {
        SetIni("ConnectionType", c.text);
        log.lines.clear();
        state = {};
        Start();
        EXPECT_EQ(state.connectionType, c.expected) << "ConnectionType=" << c.text;
        EXPECT_EQ(log.lines.at(1), kFromIni) << "ConnectionType=" << c.text;
    }
}

TEST_F(StartupSequenceTest, NothingConfiguredDisablesExportWithoutConnectingTheBridge) {
    EXPECT_THAT(Start(), ElementsAre(kVersionLine, "Could not find any valid ConnectionType in Registry or Ostrilo.ini",
                                     kInvalid, kNormal));
    EXPECT_EQ(state.connectionType, -1);
    EXPECT_EQ(bridge.connectCalls, 0);
    EXPECT_TRUE(listener.listenedPorts.empty());
}

TEST_F(StartupSequenceTest, PortComesFromRegistryThenIniThenTheDefault) {
    SetIni("ConnectionType", "1");
    registry.SetNumber("ServerPort", 15000);
    SetIni("PortNumber", "16000");
    Start();
    EXPECT_THAT(listener.listenedPorts, ElementsAre(15000));
    EXPECT_EQ(log.lines.at(2), "We will use the PortNumber from Registry (probably some old upgraded installation)");

    registry = {};
    profile = {};
    SetIni("ConnectionType", "1");
    log.lines.clear();
    Start();
    EXPECT_THAT(listener.listenedPorts, ElementsAre(15000, 14000));
    EXPECT_EQ(log.lines.at(2), "Could not find any valid PortNumber in Registry or Ostrilo.ini");
    EXPECT_EQ(log.lines.at(3), "We will listen for Halvex connection attempts at port 14000");
}

TEST_F(StartupSequenceTest, ListenFailureIsLoggedWithPortAndDescriptionAndKeepsSocketDelivery) {
    SetIni("ConnectionType", "1");
    listener.errorCode = 10048;
    Start();
    EXPECT_EQ(log.lines.at(3), "Could not set Halvex connection port 14000 in listen mode, error: error text 10048");
    EXPECT_EQ(state.connectionType, 1);
}

TEST_F(StartupSequenceTest, PortOutsideTheTcpRangeIsRefusedInsteadOfTruncated) {
    SetIni("ConnectionType", "1");
    SetIni("PortNumber", "70000");
    Start();
    EXPECT_TRUE(listener.listenedPorts.empty());
    EXPECT_EQ(log.lines.at(3), "Could not set Halvex connection port 70000 in listen mode, error: error text 10022");
}

TEST_F(StartupSequenceTest, MissingOrObsoleteBridgeLibraryDisablesExportAfterTheSocketListens) {
    SetIni("ConnectionType", "1");
    bridge.version = std::nullopt;
    Start();
    EXPECT_THAT(listener.listenedPorts, ElementsAre(14000));
    EXPECT_EQ(log.lines.at(4), "Ostrilo.DLL can not be found or is an obsolete version (< 1.0.0.2), no alarms will "
                               "be sent to Halvex!");
    EXPECT_EQ(state.connectionType, -1);
    EXPECT_EQ(bridge.connectCalls, 0);

    for (std::int32_t version : {1, 0, -1}) {
        log.lines.clear();
        state = {};
        bridge.version = version;
        Start();
        EXPECT_THAT(log.lines, ::testing::Contains("Ostrilo.DLL is an obsolete version (< 1.0.0.2), no alarms will "
                                                   "be sent to Halvex!"));
        EXPECT_EQ(state.connectionType, -1);
    }
}

TEST_F(StartupSequenceTest, ConnectFailureOrUnreachableEntryPointIsLoggedAsFailure) {
    SetIni("ConnectionType", "0");
    bridge.connectResult = 0;
    Start();
    EXPECT_EQ(log.lines.at(3), "Failed to call ConnectWinCCDMProc()");
    log.lines.clear();
    bridge.connectResult = std::nullopt;
    Start();
    EXPECT_EQ(log.lines.at(3), "Failed to call ConnectWinCCDMProc()");
    EXPECT_EQ(state.connectionType, 0);
}

TEST_F(StartupSequenceTest, RetentionDaysAreRoundedHalfToEvenAndGarbageKeepsTheDefault) {
    const struct {
        const char* text;
        std::int32_t expected;
    } cases[] = {{"30", 30}, {"30.5", 30}, {"31.5", 32}, {"&h1E", 30}, {"", 60}, {"abc", 60}};
    for (const auto& c : cases) {
        SetIni("DaysToKeepLogFiles", c.text);
        Start();
        EXPECT_EQ(state.daysToKeepLogFiles, c.expected) << "DaysToKeepLogFiles=" << c.text;
    }
    profile = {};
    Start();
    EXPECT_EQ(state.daysToKeepLogFiles, 60);
}

TEST_F(StartupSequenceTest, ServiceModeAttachesWritesTheEventEntryAndHidesTheWindow) {
    SetIni("ConnectionType", "0");
    Start();
    EXPECT_TRUE(windowShown);
    EXPECT_TRUE(service.calls.empty());

    log.lines.clear();
    state.runAsService = true;
    Start();
    EXPECT_FALSE(windowShown);
    EXPECT_THAT(service.calls, ElementsAre("StartAttachment", "Event 4 110 Ostrilo started"));
    EXPECT_EQ(log.lines.back(), "Ostrilo started as a service");
}

TEST(AppDirectory, AlwaysEndsInExactlyOneBackslash) {
    EXPECT_EQ(AppDirectoryOf("C:\\Program Files\\Ostrilo\\Ostrilo.exe"), "C:\\Program Files\\Ostrilo\\");
    EXPECT_EQ(AppDirectoryOf("C:\\Ostrilo.exe"), "C:\\");
    EXPECT_EQ(AppDirectoryOf("\\\\server\\share\\Ostrilo.exe"), "\\\\server\\share\\");
}

}  // namespace
}  // namespace ostrilo
