// A listen that fails for a passing reason is tried again until it works; one that the
// settings get wrong is not.

#include "delivery/halvex_listening.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes.h"

namespace ostrilo {
namespace {

using ::testing::ElementsAre;

TEST(HalvexListening, APortInUseIsTriedEveryTenSecondsUntilItIsFreeAndLoggedOnceEachWay) {
    fakes::Log log;
    fakes::Listener listener;
    fakes::Alerts alerts;
    HalvexListening listening(listener, log, alerts.clock, alerts.alerts);
    listener.listenError = 10048;
    listening.Start(14000, platform::kAnyAddress, "");
    for (const std::int64_t wait : {HalvexListening::kRetryPeriodMs - 1, std::int64_t{1}, std::int64_t{0}}) {
        alerts.clock.now += wait;
        listening.RetryWhenDue();
    }
    EXPECT_EQ(listener.listens, 2);
    listener.listenError = 0;
    for (int tick = 0; tick < 5; ++tick) {
        alerts.clock.now += HalvexListening::kRetryPeriodMs;
        listening.RetryWhenDue();
    }
    EXPECT_EQ(listener.listens, 3);
    EXPECT_THAT(log.lines, ElementsAre("Could not set Halvex connection port 14000 in listen mode, error: error 10048",
                                       "We will listen for Halvex connection attempts at port 14000"));
    EXPECT_THAT(alerts.eventLog.ids,
                ElementsAre(event_id::kListeningPortUnavailable, event_id::kListeningPortAvailable));
}

TEST(HalvexListening, SettingsThatCannotWorkAreRefusedOnceAndNeverTried) {
    fakes::Log log;
    fakes::Listener listener;
    fakes::Alerts alerts;
    HalvexListening listening(listener, log, alerts.clock, alerts.alerts);
    listening.Start(0, platform::kAnyAddress, "");
    alerts.clock.now += 10 * HalvexListening::kRetryPeriodMs;
    listening.RetryWhenDue();
    HalvexListening elsewhere(listener, log, alerts.clock, alerts.alerts);
    elsewhere.Start(14000, std::nullopt, "ListenAddress \"x\" is not an IPv4 address");
    EXPECT_EQ(listener.listens, 0);
    EXPECT_THAT(log.lines,
                ElementsAre("Could not set Halvex connection port 0 in listen mode, error: error 10022",
                            "Could not set Halvex connection port 14000 in listen mode, error: ListenAddress \"x\" "
                            "is not an IPv4 address"));
}

}  // namespace
}  // namespace ostrilo
