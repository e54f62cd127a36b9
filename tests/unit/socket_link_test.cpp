#include "delivery/socket_link.h"

#include <gtest/gtest.h>

#include "fakes/fake_tcp.h"
#include "fakes/recording_log.h"
#include "fakes/recording_status_bar.h"

namespace ostrilo {
namespace {

using testing::FakeListener;
using testing::PeerView;
using testing::RecordingLog;
using testing::RecordingStatusBar;
using Lines = std::vector<std::string>;

// The messages named by the log lines that begin with `prefix`.
Lines LinesStartingWith(const Lines& lines, const std::string& prefix) {
    Lines messages;
    for (const auto& line : lines) {
        if (line.rfind(prefix, 0) == 0) messages.push_back(line.substr(prefix.size()));
    }
    return messages;
}

constexpr char kSent[] = "Sent Message to Halvex: ";
constexpr char kFailed[] = "Failed to send Message to Halvex: ";

class SocketLinkTest : public ::testing::Test {
protected:
    std::shared_ptr<PeerView> Connect() {
        auto peer = listener.PrepareConnection();
        link.OnConnectionRequest(listener);
        return peer;
    }
    bool Deliver(const std::string& message) { return link.Deliver(message + "||24\n", message); }
    Lines DeliverWhilePaused(const std::shared_ptr<PeerView>& peer, int count) {
        peer->sendBudget = 0;
        Lines messages;
        for (int i = 0; i < count; ++i) Deliver(messages.emplace_back("alarm " + std::to_string(i)));
        budget.Renew();
        return messages;
    }
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

    RecordingLog log;
    RecordingStatusBar statusBar;
    FakeListener listener;
    WorkBudget budget;
    testing::CountingRounds rounds;
    SocketLink link{statusBar, log, budget, rounds};
};

TEST_F(SocketLinkTest, TrickleOfPartialSendsNeverCutsOrReordersLines) {
    auto peer = Connect();
    std::string expectedWire;
    Lines expectedSent;
    for (int i = 0; i < 60; ++i) {
        const std::string message = "alarm " + std::to_string(i) + std::string(i % 7, '|');
        expectedWire += message + "||24\n";
        expectedSent.push_back(message);
        peer->sendBudget = static_cast<std::size_t>(i % 5);
        EXPECT_TRUE(Deliver(message));
        if (i % 3 == 0) link.OnWritable();
    }
    while (link.HasPendingOutput()) {
        peer->sendBudget = 4;
        link.OnWritable();
    }
    EXPECT_EQ(peer->wire, expectedWire);
    EXPECT_EQ(log.lines.size(), expectedSent.size()) << "exactly one line per message";
    EXPECT_EQ(LinesStartingWith(log.lines, kSent), expectedSent);
}

TEST_F(SocketLinkTest, PeerThatStopsReadingIsDroppedWithOneFailureLinePerUnsentMessage) {
    auto peer = Connect();
    peer->sendBudget = 0;
    const std::string message(1000, 'm');
    int handedOver = 0;
    while (link.IsConnected()) {
        Deliver(message);
        ++handedOver;
        ASSERT_LT(handedOver, 2000) << "the outgoing buffer must be bounded";
    }
    EXPECT_GT(handedOver, 400) << "a slow peer deserves a buffer of about a megabyte";
    RunRequestedRounds();
    EXPECT_TRUE(peer->closed);
    EXPECT_EQ(statusBar.panels[SocketLink::kStatusPanel], "Not Connected");
    EXPECT_FALSE(link.HasPendingOutput());
    EXPECT_EQ(LinesStartingWith(log.lines, kFailed).size(), static_cast<std::size_t>(handedOver));
    EXPECT_EQ(log.lines.size(), static_cast<std::size_t>(handedOver));

    EXPECT_FALSE(Deliver("after"));
    EXPECT_EQ(log.lines.back(), std::string(kFailed) + "after");
}

TEST_F(SocketLinkTest, BacklogOfAPeerThatReadsAgainLeavesInBoundedRoundsInOrderWithFreshLinesBehind) {
    auto peer = Connect();
    Lines expected = DeliverWhilePaused(peer, 1000);
    peer->sendBudget = std::string::npos;
    link.OnWritable();
    EXPECT_LE(log.lines.size(), static_cast<std::size_t>(WorkBudget::kLinesPerMessage));
    budget.Renew();
    EXPECT_TRUE(Deliver(expected.emplace_back("fresh")));
    RunRequestedRounds();
    std::string expectedWire;
    for (const auto& message : expected) expectedWire += message + "||24\n";
    EXPECT_EQ(peer->wire, expectedWire);
    EXPECT_EQ(log.lines.size(), expected.size()) << "exactly one line per message";
    EXPECT_EQ(LinesStartingWith(log.lines, kSent), expected);
}

TEST_F(SocketLinkTest, LinesOfADroppedConnectionFailInRoundsBeforeLinesOfTheNextOne) {
    const Lines dropped = DeliverWhilePaused(Connect(), 1000);
    link.OnClosed();
    EXPECT_LE(log.lines.size(), static_cast<std::size_t>(WorkBudget::kLinesPerMessage));
    auto next = Connect();
    budget.Renew();
    EXPECT_TRUE(Deliver("fresh"));
    RunRequestedRounds();
    EXPECT_EQ(LinesStartingWith(log.lines, kFailed), dropped);
    EXPECT_EQ(log.lines.back(), std::string(kSent) + "fresh");
    EXPECT_EQ(next->wire, "fresh||24\n");
}

TEST_F(SocketLinkTest, SendErrorDropsLinkAndFailsEveryWaitingLine) {
    auto peer = Connect();
    peer->sendBudget = 2;
    Deliver("one");
    Deliver("two");
    peer->sendError = 10054;
    link.OnWritable();
    EXPECT_EQ(LinesStartingWith(log.lines, kFailed), (Lines{"one", "two"}));
    EXPECT_FALSE(link.IsConnected());
    EXPECT_TRUE(peer->closed);
    EXPECT_EQ(statusBar.panels[SocketLink::kStatusPanel], "Not Connected");

    Connect()->sendError = 10053;
    EXPECT_FALSE(Deliver("lost"));
    EXPECT_EQ(log.lines.back(), std::string(kFailed) + "lost");
}

TEST_F(SocketLinkTest, NewestConnectionWinsAndOldPendingLinesFail) {
    auto first = Connect();
    first->sendBudget = 0;
    Deliver("stuck");
    auto second = Connect();

    EXPECT_TRUE(first->closed);
    EXPECT_FALSE(second->closed);
    EXPECT_EQ(statusBar.panels[SocketLink::kStatusPanel], "Connected");
    EXPECT_EQ(LinesStartingWith(log.lines, kFailed), Lines{"stuck"});

    EXPECT_TRUE(Deliver("fresh"));
    EXPECT_EQ(second->wire, "fresh||24\n");
    EXPECT_EQ(first->wire, "");

    link.OnConnectionRequest(listener);  // nothing prepared: accepting fails
    EXPECT_TRUE(second->closed);
    EXPECT_FALSE(link.IsConnected());
    EXPECT_EQ(statusBar.panels[SocketLink::kStatusPanel], "Not Connected");
}

TEST_F(SocketLinkTest, InboundDataIsDrainedAndIgnoredInBoundedReads) {
    auto peer = Connect();
    peer->inboundBytes = 3 * SocketLink::kReadChunkSize + 17;
    link.OnReadable();
    EXPECT_EQ(peer->inboundBytes, 0u);
    EXPECT_TRUE(Deliver("still works"));
    EXPECT_EQ(peer->wire, "still works||24\n");

    peer->inboundBytes = std::string::npos;  // a flood must not hold the thread in one event
    peer->receiveCalls = 0;
    link.OnReadable();
    EXPECT_LE(peer->receiveCalls, SocketLink::kMaxReadChunksPerEvent);
    EXPECT_TRUE(link.IsConnected());
}

TEST_F(SocketLinkTest, PeerCloseAndErrorsEndTheLinkAndReconnectResumesDelivery) {
    enum class Ending { CloseEvent, ErrorEvent, CloseFoundWhileReading };
    for (Ending ending : {Ending::CloseEvent, Ending::ErrorEvent, Ending::CloseFoundWhileReading}) {
        auto peer = Connect();
        peer->sendBudget = 0;
        Deliver("waiting");
        log.lines.clear();
        peer->inboundBytes = 10;
        peer->peerClosedAfterInbound = true;
        if (ending == Ending::CloseEvent) link.OnClosed();
        if (ending == Ending::ErrorEvent) link.OnError();
        if (ending == Ending::CloseFoundWhileReading) link.OnReadable();
        EXPECT_TRUE(peer->closed);
        EXPECT_EQ(statusBar.panels[SocketLink::kStatusPanel], "Not Connected");
        EXPECT_EQ(log.lines, Lines{std::string(kFailed) + "waiting"});
        EXPECT_FALSE(Deliver("missed"));
    }
    auto again = Connect();
    EXPECT_TRUE(Deliver("resumed"));
    EXPECT_EQ(again->wire, "resumed||24\n") << "nothing missed in between is resent";
}

TEST_F(SocketLinkTest, ShutdownCloseFailsOnlyTheLinesStillWaiting) {
    auto peer = Connect();
    Deliver("delivered");
    peer->sendBudget = 0;
    Deliver("waiting");
    link.CloseConnection();
    EXPECT_TRUE(peer->closed);
    EXPECT_FALSE(link.HasPendingOutput());
    EXPECT_EQ(log.lines, (Lines{std::string(kSent) + "delivered", std::string(kFailed) + "waiting"}));
}

}  // namespace
}  // namespace ostrilo
