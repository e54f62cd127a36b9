// A peer that floods the link is read in bounded chunks per event, so the window stays
// responsive; the real program cannot show how much one event reads.

#include "delivery/socket_link.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace ostrilo {
namespace {

TEST(SocketLink, EndlessInboundDataIsReadInBoundedChunksPerEvent) {
    fakes::Log log;
    fakes::Listener listener;
    SocketLink link{log, log};
    const auto peer = listener.next;
    link.OnConnectionRequest(listener);
    link.OnReadable();
    EXPECT_EQ(peer->receives, SocketLink::kMaxReadChunksPerEvent);
    EXPECT_TRUE(link.Deliver("still works||24\n", "still works"));
    EXPECT_EQ(peer->wire, "still works||24\n");
}

}  // namespace
}  // namespace ostrilo
