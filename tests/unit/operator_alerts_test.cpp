// What the plant's monitoring sees: one entry per change of a state, a flapping state or
// a burst summarised after a quiet period, Halvex reported away only after the stated time.

#include "logging/operator_alerts.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace ostrilo {
namespace {

using Ids = std::vector<std::uint32_t>;
constexpr std::int64_t kSecond = 1000;

class OperatorAlertsTest : public testing::Test {
protected:
    void At(std::int64_t seconds) { fake.clock.now = seconds * kSecond; }

    fakes::Alerts fake;
    OperatorAlerts& alerts = fake.alerts;
    const Ids& ids = fake.eventLog.ids;
};

TEST_F(OperatorAlertsTest, HalvexAwayCountsOnlyWhileWinCCRunsAndIsClearedOnceWhenBack) {
    alerts.HalvexReachability(false, false, 300);
    At(1000);
    alerts.HalvexReachability(false, false, 300);
    alerts.HalvexReachability(true, false, 300);  // WinCC starts: the time counts from here
    At(1299);
    alerts.HalvexReachability(true, false, 300);
    EXPECT_TRUE(ids.empty()) << "written before the stated time";
    At(1300);
    alerts.HalvexReachability(true, false, 300);
    At(1400);
    alerts.HalvexReachability(false, false, 300);
    alerts.HalvexReachability(true, false, 300);
    alerts.HalvexReachability(true, true, 300);
    alerts.HalvexReachability(true, true, 300);
    EXPECT_EQ(ids, (Ids{event_id::kHalvexUnreachable, event_id::kHalvexReachable}));
    EXPECT_NE(fake.eventLog.texts[0].find("more than 300 seconds while WinCC runs"), std::string::npos);
}

TEST_F(OperatorAlertsTest, FlappingAndBurstsWaitForTheQuietPeriodAndAreSummarised) {
    alerts.HoldFilling(true);
    At(1);
    alerts.HoldFilling(false);  // the first all-clear is not held back by the warning before it
    for (int second = 2; second <= 4; ++second) {
        At(second);
        alerts.HoldFilling(second % 2 == 0);
        alerts.HeldMessageDiscarded("hold full");
    }
    At(599);
    alerts.WriteWhatIsDue();
    EXPECT_EQ(ids, (Ids{event_id::kHoldFilling, event_id::kHoldEmpty, event_id::kHeldMessagesDiscarded}));
    At(602);
    alerts.WriteWhatIsDue();
    alerts.WriteWhatIsDue();
    ASSERT_EQ(ids, (Ids{event_id::kHoldFilling, event_id::kHoldEmpty, event_id::kHeldMessagesDiscarded,
                        event_id::kHoldFilling, event_id::kHeldMessagesDiscarded}));
    EXPECT_NE(fake.eventLog.texts[3].find("(the state changed 3 times since the previous entry)"), std::string::npos);
    EXPECT_NE(fake.eventLog.texts[4].find("(this happened 2 times since the previous entry"), std::string::npos);
}

TEST_F(OperatorAlertsTest, StartStatesAreWrittenOnceAndThePortClearsWhenItListens) {
    alerts.AlarmExportDisabled("no ConnectionType");
    alerts.AlarmExportDisabled("no Ostrilo.dll");
    alerts.ListeningPortAvailable(14000);  // the usual start says nothing
    alerts.ListeningPortUnavailable(14000, "Address already in use");
    alerts.ListeningPortUnavailable(14000, "Address already in use");
    alerts.ListeningPortAvailable(14000);
    EXPECT_EQ(ids, (Ids{event_id::kAlarmExportDisabled, event_id::kListeningPortUnavailable,
                        event_id::kListeningPortAvailable}));
    EXPECT_EQ(fake.eventLog.texts[0], "Ostrilo relays no alarms to Halvex: no ConnectionType, then restart Ostrilo");
}

}  // namespace
}  // namespace ostrilo
