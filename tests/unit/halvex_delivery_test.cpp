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
    bool SetCommandEntry(const std::string&, std::int32_t) override { return loadable && queueEntryPresent; }

    bool loadable = true;
    bool queueEntryPresent = true;
    std::int32_t runningAnswer = 0;
    std::vector<std::int32_t> probes;
};

class HalvexDeliveryTest : public ::testing::Test {
protected:
    std::int32_t connectionType = kConnectionByLibraries;
    FakeHalvexClient halvex2;
    FakeHalvexClient halvex3;
    RecordingLog log;
    RecordingStatusBar statusBar;
    FakeListener listener;
    WorkBudget budget;
    testing::CountingRounds rounds;
    SocketLink link{statusBar, log, budget, rounds};
    HalvexDelivery delivery{connectionType, halvex2, halvex3, link, log};
};

TEST_F(HalvexDeliveryTest, LibraryThatAnswersButCannotQueueCountsAsFailure) {
    halvex3.runningAnswer = 1;
    halvex2.loadable = false;
    halvex3.queueEntryPresent = false;  // answers, but cannot take the message
    EXPECT_FALSE(delivery.SendToHalvex("m"));
    EXPECT_EQ(halvex3.probes, std::vector<std::int32_t>{1});
    EXPECT_EQ(log.lines, Lines{"Failed to queued Message to Halvex (not running?): m"});
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

    connectionType = kConnectionBySocket;
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
