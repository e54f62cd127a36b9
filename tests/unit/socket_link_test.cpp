// The socket link under a peer that takes bytes slowly, stops reading or floods it: lines
// are never cut or reordered, memory and reads are bounded, each message logged once.

#include "delivery/socket_link.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace ostrilo {
namespace {

constexpr char kSent[] = "Sent Message to Halvex: ";
constexpr char kFailed[] = "Failed to send Message to Halvex: ";

class SocketLinkTest : public testing::Test {
protected:
    std::shared_ptr<fakes::Peer> Connect() {
        auto peer = listener.next;
        link.OnConnectionRequest(listener);
        return peer;
    }
    bool Deliver(const std::string& message) { return link.Deliver(message + "||24\n", message); }

    fakes::Log log;
    fakes::Listener listener;
    SocketLink link{log, log};
};

TEST_F(SocketLinkTest, PartialSendsNeverCutOrReorderLines) {
    auto peer = Connect();
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

TEST_F(SocketLinkTest, PeerThatStopsReadingIsDroppedAtAboutAMegabyteWithEveryMessageFailedOnce) {
    auto peer = Connect();
    peer->budget = 0;
    int handedOver = 0;
    while (link.IsConnected() && handedOver < 2000) {
        Deliver(std::string(1000, 'm'));
        ++handedOver;
    }
    EXPECT_GT(handedOver, 400);
    EXPECT_LT(handedOver, 1100) << "the outgoing buffer must be bounded";
    EXPECT_TRUE(peer->closed);
    EXPECT_EQ(log.panels[SocketLink::kStatusPanel], "Not Connected");
    EXPECT_EQ(log.lines.size(), static_cast<std::size_t>(handedOver));
    EXPECT_EQ(log.lines.back(), kFailed + std::string(1000, 'm'));
}

TEST_F(SocketLinkTest, EndlessInboundDataIsReadInBoundedChunksPerEvent) {
    auto peer = Connect();
    link.OnReadable();
    EXPECT_EQ(peer->receives, SocketLink::kMaxReadChunksPerEvent);
    EXPECT_TRUE(Deliver("still works"));
    EXPECT_EQ(peer->wire, "still works||24\n");
}

}  // namespace
}  // namespace ostrilo
