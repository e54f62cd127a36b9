// With the hold on, no message is lost or reordered while Halvex is away, in either way
// of delivery; a message that must not be held still fails at once.

#include <gtest/gtest.h>

#include "delivery/halvex_delivery.h"
#include "fakes/fake_durable_files.h"
#include "fakes/fake_tcp.h"
#include "fakes/recording_log.h"
#include "fakes/recording_status_bar.h"

namespace ostrilo {
namespace {

using Lines = std::vector<std::string>;

class RecordingLibrary : public HalvexClient {
public:
    std::optional<std::int32_t> GetRunningApps(std::int32_t) override { return running ? 1 : 0; }
    bool SetCommandEntry(const std::string& command, std::int32_t) override {
        queued.push_back(command);
        return true;
    }
    bool running = false;
    Lines queued;
};

class HeldDeliveryTest : public ::testing::Test {
protected:
    HeldDeliveryTest() { hold.Enable({60, 100}, "C:\\P\\"); }
    void Send(std::initializer_list<const char*> messages) {
        for (const char* message : messages) delivery.SendToHalvex(message);
    }
    void Ticks(int count) {
        for (int tick = 0; tick < count; ++tick) {
            budget.Renew();
            delivery.DeliverHeldMessages(budget);
        }
    }
    std::shared_ptr<testing::PeerView> Connect() {
        auto peer = listener.PrepareConnection();
        link.OnConnectionRequest(listener);
        return peer;
    }
    Lines LinesStartingWith(const std::string& prefix) const {
        Lines found;
        for (const std::string& line : log.lines) {
            if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
        }
        return found;
    }

    std::int32_t connectionType = kConnectionBySocket;
    testing::FakeDurableFiles files;
    testing::FakeWallClock clock;
    testing::RecordingLog log;
    testing::RecordingStatusBar statusBar;
    testing::FakeListener listener;
    RecordingLibrary halvex2, halvex3;
    WorkBudget budget;
    testing::CountingRounds rounds;
    MessageHold hold{files, clock, log};
    SocketLink link{statusBar, log, budget, rounds, &hold};
    HalvexDelivery delivery{connectionType, halvex2, halvex3, link, log, &hold};
};

TEST_F(HeldDeliveryTest, SocketBacklogAndDroppedLinesGoOutOnceInOrder) {
    Send({"a", "b"});
    auto first = Connect();
    first->sendBudget = 0;  // takes nothing yet: the lines wait in the link
    Send({"c"});
    EXPECT_TRUE(first->wire.empty());
    Ticks(1);
    link.OnClosed();  // "a" was handed to the link; it comes back in front of "b"
    Send({"d"});
    EXPECT_TRUE(LinesStartingWith("Failed").empty());

    auto second = Connect();
    const int ticksNeeded = 4 / HalvexDelivery::kHeldMessagesPerTick + 1;
    Ticks(ticksNeeded);
    Send({"e"});
    EXPECT_EQ(second->wire, "a||24\nb||24\nc||24\nd||24\ne||24\n");
    EXPECT_EQ(LinesStartingWith("Sent Message to Halvex: "), (Lines{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(),
                         "Halvex cannot take messages now: holding them until it can"), 1);
}

TEST_F(HeldDeliveryTest, CatchingUpIsBoundedPerTick) {
    for (int i = 0; i < HalvexDelivery::kHeldMessagesPerTick + 5; ++i) Send({"m"});
    Connect();
    Ticks(1);
    EXPECT_EQ(LinesStartingWith("Sent").size(), static_cast<std::size_t>(HalvexDelivery::kHeldMessagesPerTick));
    Ticks(1);
    EXPECT_EQ(LinesStartingWith("Sent").size(), static_cast<std::size_t>(HalvexDelivery::kHeldMessagesPerTick + 5));
}

TEST_F(HeldDeliveryTest, LibrariesGetHeldMessagesWhenOneRunsAgain) {
    connectionType = kConnectionByLibraries;
    Send({"a", "b"});
    Ticks(1);
    EXPECT_TRUE(halvex3.queued.empty());
    halvex3.running = true;
    Send({"c"});
    Ticks(1);
    Send({"d"});
    EXPECT_EQ(halvex3.queued, (Lines{"TA:a||24", "TA:b||24", "TA:c||24", "TA:d||24"}));
    EXPECT_TRUE(LinesStartingWith("Failed").empty());
}

TEST_F(HeldDeliveryTest, MessagesThatMustNotBeHeldFailAtOnceInBothWays) {
    for (std::int32_t type : {kConnectionBySocket, kConnectionByLibraries}) {
        connectionType = type;
        delivery.SendToHalvex("alive", WhenUndeliverable::Fail);
    }
    EXPECT_EQ(LinesStartingWith("Failed"), (Lines{" to send Message to Halvex: alive",
                                                  " to queued Message to Halvex (not running?): alive"}));
    EXPECT_TRUE(hold.IsEmpty());
}

}  // namespace
}  // namespace ostrilo
