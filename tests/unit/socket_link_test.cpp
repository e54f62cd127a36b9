// The socket link under a slow, stalled or flooding peer: lines never cut or reordered, memory and
// reads bounded, each message logged once, a backlog leaving in rounds within the work budget.

#include "delivery/socket_link.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace ostrilo {
namespace {

constexpr char kSent[] = "Sent Message to Halvex: ";
constexpr char kFailed[] = "Failed to send Message to Halvex: ";

class SocketLinkTest : public testing::Test {
protected:
    bool Deliver(const std::string& message) { return link.Deliver(message + "||24\n", message); }
    // Runs the later rounds the link asks for, as the window does, each within its budget.
    void RunRequestedRounds() {
        while (link.HasPendingOutput() && !link.WaitsForPeer()) {
            ASSERT_GT(rounds.requested, 0) << "lines left waiting with no later round asked for";
            rounds.requested = 0;
            const std::size_t before = log.lines.size();
            budget.Renew();
            link.ContinueBacklog();
            ASSERT_LE(log.lines.size() - before, static_cast<std::size_t>(WorkBudget::kLinesPerMessage));
        }
    }

    fakes::Log log;
    fakes::StatusBar statusBar;
    fakes::Listener listener;
    WorkBudget budget;
    fakes::Rounds rounds;
    SocketLink link{statusBar, log, budget, rounds};
};

TEST_F(SocketLinkTest, PartialSendsNeverCutOrReorderLines) {
    auto peer = listener.ConnectTo(link);
    std::string wire;
    fakes::Lines logged;
    for (int i = 0; i < 60; ++i) {
        const std::string message = "alarm " + std::to_string(i) + std::string(i % 7, '|');
        wire += message + "||24\n";
        logged.push_back(kSent + message);
        peer->budget = static_cast<std::size_t>(i % 5);
        EXPECT_TRUE(Deliver(message));
        if (i % 3 == 0) link.OnWritable();
    }
    while (link.HasPendingOutput()) {
        peer->budget = 4;
        link.OnWritable();
    }
    EXPECT_EQ(peer->wire, wire);
    EXPECT_EQ(log.lines, logged);
}

TEST_F(SocketLinkTest, ReadingPeerTakesMegabytesButOneThatStopsIsDroppedAtAboutAMegabyteWithEveryMessageFailedOnce) {
    auto peer = listener.ConnectTo(link);
    const std::string message(1000, 'm');
    constexpr int kTaken = 3000;  // three times the bound: sent lines must give their memory back
    for (int i = 0; i < kTaken; ++i) {
        ASSERT_TRUE(Deliver(message)) << "a reading peer was dropped after " << i << " lines";
    }
    peer->budget = 0;
    int handedOver = 0;
    while (link.IsConnected() && handedOver < 2000) {
        Deliver(message);
        ++handedOver;
    }
    EXPECT_GT(handedOver, 400);
    EXPECT_LT(handedOver, 1100) << "the outgoing buffer must be bounded";
    RunRequestedRounds();
    EXPECT_TRUE(peer->closed);
    EXPECT_EQ(statusBar.panels[SocketLink::kStatusPanel], "Not Connected");
    EXPECT_EQ(log.lines.size(), static_cast<std::size_t>(kTaken + handedOver));
    EXPECT_EQ(log.lines[kTaken - 1], kSent + message);
    EXPECT_EQ(log.lines.back(), kFailed + message);
}

TEST_F(SocketLinkTest, LinesOfADroppedConnectionFailInRoundsBeforeLinesOfTheNextOne) {
    listener.ConnectTo(link)->budget = 0;
    fakes::Lines logged;
    for (int i = 0; i < 1000; ++i) {
        const std::string message = "alarm " + std::to_string(i);
        Deliver(message);
        logged.push_back(kFailed + message);
    }
    budget.Renew();
    link.OnClosed();
    EXPECT_LE(log.lines.size(), static_cast<std::size_t>(WorkBudget::kLinesPerMessage));
    auto next = listener.ConnectTo(link);
    budget.Renew();
    EXPECT_TRUE(Deliver("fresh"));
    RunRequestedRounds();
    logged.push_back(std::string(kSent) + "fresh");
    EXPECT_EQ(log.lines, logged);
    EXPECT_EQ(next->wire, "fresh||24\n");
}

TEST_F(SocketLinkTest, EndlessInboundDataIsReadInBoundedChunksPerEvent) {
    auto peer = listener.ConnectTo(link);
    link.OnReadable();
    EXPECT_EQ(peer->receives, SocketLink::kMaxReadChunksPerEvent);
    EXPECT_TRUE(Deliver("still works"));
    EXPECT_EQ(peer->wire, "still works||24\n");

    // Nor keep the timer from its turn: between ticks reading stops at the allowance...
    link.OnTick(listener);
    peer->receives = 0;
    for (int event = 0; event < 20; ++event) link.OnReadable();
    EXPECT_EQ(peer->receives * SocketLink::kReadChunkSize, SocketLink::kReadBytesPerTick);
    // ...and the tick resumes it, since no further readable event would come.
    link.OnTick(listener);
    EXPECT_EQ(peer->receives * SocketLink::kReadChunkSize,
              SocketLink::kReadBytesPerTick + SocketLink::kMaxReadChunksPerEvent * SocketLink::kReadChunkSize);
}

TEST_F(SocketLinkTest, RequestsBeyondTheTicksAllowanceWaitForTheTickAndOneThatIsGoneLeavesTheLink) {
    std::shared_ptr<fakes::Peer> halvex;
    for (int request = 0; request < SocketLink::kAcceptsPerTick; ++request) halvex = listener.ConnectTo(link);
    listener.ConnectTo(link);
    EXPECT_EQ(listener.accepts, SocketLink::kAcceptsPerTick) << "not taken before the tick";
    listener.resets = true;  // reset by its sender while it waited
    link.OnTick(listener);
    EXPECT_EQ(listener.accepts, SocketLink::kAcceptsPerTick + 1);
    EXPECT_FALSE(halvex->closed);
    EXPECT_EQ(statusBar.panels[SocketLink::kStatusPanel], "Connected");
    EXPECT_TRUE(Deliver("still linked"));
    EXPECT_EQ(halvex->wire, "still linked||24\n");
}

}  // namespace
}  // namespace ostrilo
