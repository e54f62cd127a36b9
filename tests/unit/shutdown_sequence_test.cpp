#include "app/shutdown_sequence.h"

#include <algorithm>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/config_reader.h"
#include "delivery/event_notification.h"
#include "delivery/halvex_delivery.h"
#include "delivery/socket_link.h"
#include "fakes/fake_bridge.h"
#include "fakes/fake_configuration.h"
#include "fakes/fake_service.h"
#include "fakes/fake_tcp.h"
#include "fakes/recording_log.h"
#include "fakes/recording_status_bar.h"

namespace ostrilo {
namespace {

using ::testing::ElementsAre;

class NoLibrary : public HalvexClient {
public:
    std::optional<std::int32_t> GetRunningApps(std::int32_t) override { return std::nullopt; }
    bool SetCommandEntry(const std::string&, std::int32_t) override { return false; }
};

class ShutdownSequenceTest : public ::testing::Test {
protected:
    void ConfigureStopNotification() {
        profile.Set(kNotifyOstriloStopped, "EventType", "1");
        profile.Set(kNotifyOstriloStopped, "T0", "Stop");
    }
    std::shared_ptr<testing::PeerView> ConnectPeer() {
        auto peer = listener.PrepareConnection();
        link.OnConnectionRequest(listener);
        return peer;
    }
    void Shutdown() {
        EXPECT_THROW(ShutdownSequence(state, log, bridge, link, notifier, service, process, budget).Run(),
                     testing::ProcessEnded);
    }

    StartupState state{"C:\\Plant\\", false, 60, 1};
    testing::RecordingLog log;
    testing::FakeBridge bridge;
    testing::RecordingStatusBar statusBar;
    testing::FakeListener listener;
    WorkBudget budget;
    testing::CountingRounds rounds;
    SocketLink link{statusBar, log, budget, rounds};
    NoLibrary halvex2, halvex3;
    HalvexDelivery delivery{state.connectionType, halvex2, halvex3, link, log};
    testing::FakeProfileReader profile;
    testing::FakeRegistry registry;
    ConfigReader config{profile, registry, state.appDirectory};
    EventNotifier notifier{config, delivery};
    testing::FakeServiceControl service;
    testing::FakeProcess process;
};

const std::string kHyphens(120, '-');

TEST_F(ShutdownSequenceTest, ConnectedHalvexReceivesTheStopNotificationBeforeTheLinkCloses) {
    ConfigureStopNotification();
    auto peer = ConnectPeer();
    Shutdown();
    EXPECT_EQ(peer->wire, "1|||Stop||||||24\n");
    EXPECT_TRUE(peer->closed);
    EXPECT_THAT(log.lines, ElementsAre("Shutting down Ostrilo", "Successfully called StopWinCCMsgService()",
                                       "Successfully called DisconnectWinCCDMProc()",
                                       "Sent Message to Halvex: 1|||Stop||||", "Ostrilo has been shutdown",
                                       kHyphens));
    EXPECT_THAT(bridge.calls, ElementsAre("StopWinCCMsgService", "DisconnectWinCCDMProc"));
}

TEST_F(ShutdownSequenceTest, WaitingLinesGetABoundedChanceToLeaveAndAreLoggedAsFailedOtherwise) {
    ConfigureStopNotification();
    state.runAsService = true;
    auto peer = ConnectPeer();
    peer->sendBudget = 0;  // a peer that never reads
    for (int i = 0; i < 1000; ++i) delivery.SendToHalvex("alarm");
    Shutdown();
    EXPECT_EQ(process.sleptMs, ShutdownSequence::kFlushTimeoutMs);
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), "Failed to send Message to Halvex: alarm"), 1000);
    EXPECT_GT(service.stopProgressReports, 0) << "a long backlog must not look like a hung stop";
    EXPECT_THAT(log.lines, ::testing::Contains("Failed to send Message to Halvex: 1|||Stop||||"));
    EXPECT_EQ(log.lines.back(), kHyphens);
}

TEST_F(ShutdownSequenceTest, ServiceRunWritesOneEventEntryAndReportsStoppedLast) {
    state.runAsService = true;
    Shutdown();
    EXPECT_THAT(service.calls, ElementsAre("Event 4 110 Ostrilo has been shutdown", "ReportStopped"));
}

}  // namespace
}  // namespace ostrilo
