#include "delivery/halvex_delivery.h"

#include <gtest/gtest.h>

#include "fakes/fake_tcp.h"
#include "fakes/recording_log.h"
#include "fakes/recording_status_bar.h"

namespace ostrilo {
namespace {

using testing::FakeListener;
using testing::RecordingLog;
using testing::RecordingStatusBar;
using Lines = std::vector<std::string>;

class FakeHalvexClient : public HalvexClient {
public:
    std::optional<std::int32_t> GetRunningApps(std::int32_t which) override {
        probes.push_back(which);
        if (!loadable) return std::nullopt;
        return runningAnswer;
    }
    bool SetCommandEntry(const std::string& command, std::int32_t flags) override {
        if (!loadable || !queueEntryPresent) return false;
        commands.push_back(command);
        commandFlags.push_back(flags);
        return true;
    }

    bool loadable = true;
    bool queueEntryPresent = true;
    std::int32_t runningAnswer = 0;
    std::vector<std::int32_t> probes;
    Lines commands;
    std::vector<std::int32_t> commandFlags;
};

class HalvexDeliveryTest : public ::testing::Test {
protected:
    std::int32_t connectionType = HalvexDelivery::kByLibraries;
    FakeHalvexClient halvex2;
    FakeHalvexClient halvex3;
    RecordingLog log;
    RecordingStatusBar statusBar;
    FakeListener listener;
    SocketLink link{statusBar, log};
    HalvexDelivery delivery{connectionType, halvex2, halvex3, link, log};
};

TEST(HalvexCommandForms, FrameTheMessageWithoutTouchingIt) {
    EXPECT_EQ(LibraryCommandFor("a|b \xE9"), "TA:a|b \xE9||24");
    EXPECT_EQ(SocketLineFor("a|b \xE9"), "a|b \xE9||24\n");
}

TEST_F(HalvexDeliveryTest, LibraryDeliveryQueuesWithEveryRunningLibraryHalvex2First) {
    halvex2.runningAnswer = 1;
    halvex3.runningAnswer = -5;  // any non-zero answer means running
    EXPECT_TRUE(delivery.SendToHalvex("Pump 3 failed"));
    EXPECT_EQ(halvex2.commands, Lines{"TA:Pump 3 failed||24"});
    EXPECT_EQ(halvex3.commands, Lines{"TA:Pump 3 failed||24"});
    EXPECT_EQ(halvex2.probes, std::vector<std::int32_t>{1});
    EXPECT_EQ(halvex2.commandFlags, std::vector<std::int32_t>{0});
    EXPECT_EQ(log.lines, (Lines{"Queued Message to Halvex using Halvex2.DLL: Pump 3 failed",
                                "Queued Message to Halvex using Halvex3.DLL: Pump 3 failed"}));
}

TEST_F(HalvexDeliveryTest, LibraryNotRunningOrNotCallableIsSkippedAndTheOtherStillOffered) {
    halvex3.runningAnswer = 1;
    EXPECT_TRUE(delivery.SendToHalvex("m"));
    EXPECT_TRUE(halvex2.commands.empty());
    EXPECT_EQ(log.lines, Lines{"Queued Message to Halvex using Halvex3.DLL: m"});

    log.lines.clear();
    halvex2.loadable = false;
    halvex3.queueEntryPresent = false;  // answers, but cannot take the message
    EXPECT_FALSE(delivery.SendToHalvex("m"));
    EXPECT_EQ(halvex3.probes.size(), 2u);
    EXPECT_EQ(log.lines, Lines{"Failed to queued Message to Halvex (not running?): m"});
}

TEST_F(HalvexDeliveryTest, SocketDeliveryWritesOneLineOrLogsTheMissingConnection) {
    connectionType = HalvexDelivery::kBySocket;
    halvex2.runningAnswer = 1;
    EXPECT_FALSE(delivery.SendToHalvex("abc"));
    EXPECT_EQ(log.lines, Lines{"Failed to send Message to Halvex: abc"});

    auto peer = listener.PrepareConnection();
    link.OnConnectionRequest(listener);
    EXPECT_TRUE(delivery.SendToHalvex("abc"));
    EXPECT_TRUE(delivery.SendToHalvex(""));
    EXPECT_EQ(peer->wire, "abc||24\n||24\n");
    EXPECT_EQ(log.lines.back(), "Sent Message to Halvex: ");
    EXPECT_TRUE(halvex2.commands.empty()) << "socket delivery never queues with a library";
}

TEST_F(HalvexDeliveryTest, DisabledExportDropsSilently) {
    auto peer = listener.PrepareConnection();
    link.OnConnectionRequest(listener);
    halvex2.runningAnswer = 1;
    for (std::int32_t disabled : {-1, 2}) {
        connectionType = disabled;
        EXPECT_FALSE(delivery.SendToHalvex("m"));
    }
    EXPECT_TRUE(halvex2.probes.empty());
    EXPECT_EQ(peer->wire, "");
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(HalvexDeliveryTest, PresenceCheckCombinesAllThreeProbesSilently) {
    halvex2.loadable = false;
    halvex3.loadable = false;
    EXPECT_FALSE(delivery.IsHalvexRunning());

    listener.PrepareConnection();
    link.OnConnectionRequest(listener);
    EXPECT_TRUE(delivery.IsHalvexRunning()) << "a connected socket counts even in library delivery";
    link.OnClosed();

    connectionType = HalvexDelivery::kBySocket;
    halvex3.loadable = true;
    halvex3.runningAnswer = 1;
    EXPECT_TRUE(delivery.IsHalvexRunning()) << "a running library counts even in socket delivery";

    halvex2.loadable = true;
    halvex2.runningAnswer = 1;
    halvex3.probes.clear();
    EXPECT_TRUE(delivery.IsHalvexRunning());
    EXPECT_EQ(halvex3.probes, std::vector<std::int32_t>{1}) << "every probe runs on every call";
    EXPECT_TRUE(log.lines.empty());
}

}  // namespace
}  // namespace ostrilo
