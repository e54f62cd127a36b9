// Who may take the Halvex link: the allow-list setting as a plant engineer writes it, and
// how refusals reach the log.

#include "delivery/peer_admission.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes.h"

namespace ostrilo {
namespace {

TEST(PeerAllowList, AdmitsExactlyThePeersItsValidEntriesName) {
    const struct { std::string setting; fakes::Lines badEntries, admitted, refused; } cases[] = {
        {"  ", {}, {"1.2.3.4", "255.255.255.255"}, {}},
        {" , ", {}, {}, {"127.0.0.1"}},
        {"10.1.2.77/24", {}, {"10.1.2.0", "10.1.2.255"}, {"10.1.3.0", "10.1.1.255"}},
        {" 192.168.0.5 , 172.16.0.0/12,", {}, {"192.168.0.5", "172.31.255.255"}, {"192.168.0.6", "172.32.0.0"}},
        {"0.0.0.0/0", {}, {"8.8.8.8", "0.0.0.0"}, {}},
        {"1.2.3.4/32,bogus", {"bogus"}, {"1.2.3.4"}, {"1.2.3.5"}},
        {"1.2.3,1.2.3.4.5,256.1.1.1,01.2.3.4,1.2.3.4/33,1.2.3.4/,1..3.4,1.2.3.4 x,-1.2.3.4,1.2.3.4/024",
         {"1.2.3", "1.2.3.4.5", "256.1.1.1", "01.2.3.4", "1.2.3.4/33", "1.2.3.4/", "1..3.4", "1.2.3.4 x",
          "-1.2.3.4", "1.2.3.4/024"}, {}, {"1.2.3.4", "0.0.0.0"}},
    };
    for (const auto& c : cases) {
        const PeerAllowList list = PeerAllowList::Parse(c.setting);
        EXPECT_EQ(list.BadEntries(), c.badEntries) << c.setting;
        for (const auto& [addresses, expected] : {std::pair{c.admitted, true}, std::pair{c.refused, false}}) {
            for (const std::string& text : addresses) {
                const auto address = ParseIPv4Address(text);
                ASSERT_TRUE(address) << text;
                EXPECT_EQ(list.Admits(*address), expected) << c.setting << " / " << text;
            }
        }
    }
}

TEST(PeerAdmission, RefusalsAreLoggedOnceAMinutePerAddressWithTheCountInBetween) {
    fakes::Log log;
    fakes::MonotonicClock clock;
    const PeerAllowList allowed = PeerAllowList::Parse("10.0.0.1");
    PeerAdmission admission(allowed, log, clock);
    EXPECT_TRUE(admission.Admits(0x0A000001));
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(admission.Admits(0x0A000002));
    admission.Admits(0x0A000003);
    clock.now += PeerAdmission::kRefusalLinePeriodMs - 1;
    admission.Admits(0x0A000002);
    clock.now += 1;
    admission.Admits(0x0A000002);
    clock.now += PeerAdmission::kRefusalLinePeriodMs;
    admission.Admits(0x0A000002);
    const std::string refused = "Refused a Halvex connection from ";
    EXPECT_THAT(log.lines, ::testing::ElementsAre(
                               refused + "10.0.0.2 (not in HalvexAddresses)", refused + "10.0.0.3 (not in HalvexAddresses)",
                               refused + "10.0.0.2 (not in HalvexAddresses), 5 more refused since the last line",
                               refused + "10.0.0.2 (not in HalvexAddresses)"));

    // A scan from thousands of addresses neither grows the log nor the memory without bound.
    log.lines.clear();
    for (std::uint32_t peer = 0; peer < 3 * PeerAdmission::kTrackedPeers; ++peer) admission.Admits(0x0B000000 + peer);
    EXPECT_LE(log.lines.size(), PeerAdmission::kTrackedPeers);
}

}  // namespace
}  // namespace ostrilo
