#include "delivery/event_notification.h"

#include <map>
#include <utility>

#include <gtest/gtest.h>

#include "fakes/fake_halvex_gateway.h"

namespace ostrilo {
namespace {

using Lines = std::vector<std::string>;

class FakeIni : public IniValues {
public:
    std::string ReadIniValue(const std::string& section, const std::string& key,
                             const std::string& defaultText) override {
        reads.push_back(section + "/" + key);
        const auto found = values.find({section, key});
        return found == values.end() ? defaultText : found->second;
    }
    std::map<std::pair<std::string, std::string>, std::string> values;
    Lines reads;
};

TEST(NotificationEventType, OnlyWholeNumbersZeroToTwoAfterRoundingAreSent) {
    EXPECT_EQ(SendableEventType("2.5"), 2) << "a half goes to the even neighbour";
    EXPECT_EQ(SendableEventType("2.6"), std::nullopt);
    EXPECT_EQ(SendableEventType("0.4"), 0);
    EXPECT_EQ(SendableEventType("1abc"), 1);
    EXPECT_EQ(SendableEventType(""), 0) << "an empty or non-numeric type counts as 0";
    EXPECT_EQ(SendableEventType("Start"), 0);
    EXPECT_EQ(SendableEventType("3"), std::nullopt);
    EXPECT_EQ(SendableEventType("-1"), std::nullopt);
    EXPECT_EQ(SendableEventType("99999999999"), std::nullopt) << "beyond 32 bits nothing is sent";
}

class EventNotifierTest : public ::testing::Test {
protected:
    FakeIni ini;
    testing::FakeHalvexGateway halvex;
    EventNotifier notifier{ini, halvex};
};

TEST_F(EventNotifierTest, SectionIsReadAfreshAtEveryEvent) {
    notifier.SendEventNotification(kNotifyWinCCStopped);
    EXPECT_EQ(ini.reads, Lines{"HalvexMessageWhenWinCCIsStopped/EventType"}) << "a missing section costs one read";
    ini.values[{kNotifyWinCCStopped, "EventType"}] = "2";
    notifier.SendEventNotification(kNotifyWinCCStopped);
    ini.values[{kNotifyWinCCStopped, "EventType"}] = "3";
    notifier.SendEventNotification(kNotifyWinCCStopped);
    ini.values[{kNotifyWinCCStopped, "EventType"}] = "0";
    ini.values[{kNotifyWinCCStopped, "T4"}] = "edited";
    notifier.SendEventNotification(kNotifyWinCCStopped);
    EXPECT_EQ(halvex.sent, (Lines{"2|||||||", "0|||||||edited"}));
}

}  // namespace
}  // namespace ostrilo
