// With the hold on, lines a dropped link had not sent go back in order, ahead of newer
// ones (the real program shows the rest); a heartbeat, which must not be held, fails at once.

#include <gtest/gtest.h>

#include "delivery/event_notification.h"
#include "delivery/halvex_delivery.h"
#include "delivery/hold_spool_format.h"
#include "fakes.h"

namespace ostrilo {
namespace {

using fakes::Lines;

// Stopped, or with `running` one that answers but never takes a command.
class FailingLibrary : public HalvexClient {
public:
    std::int32_t running = 0;
    std::optional<std::int32_t> GetRunningApps(std::int32_t) override { return running; }
    bool SetCommandEntry(const std::string&, std::int32_t) override { return false; }
};

// Ostrilo.ini with a heartbeat of event type 1 saying "alive".
class HeartbeatIni : public IniValues {
public:
    std::string ReadIniValue(const std::string& section, const std::string& key, const std::string& fallback) override {
        if (section != kHeartbeatSection) return fallback;
        return key == "EventType" ? "1" : key == "T0" ? "alive" : "";
    }
};

class HeldDeliveryTest : public ::testing::Test {
protected:
    HeldDeliveryTest() { hold.Enable({60, 1000}, "C:\\P\\"); }
    void Send(std::initializer_list<const char*> messages) {
        for (const char* message : messages) delivery.SendToHalvex(message);
    }
    void Tick() {
        budget.Renew();
        delivery.DeliverHeldMessages(budget);
    }
    Lines Spooled() {
        Lines texts;
        for (const HeldMessage& message : ReadSpool(files.files["C:\\P\\Spool\\HeldMessages.dat"]).messages) {
            texts.push_back(message.text);
        }
        return texts;
    }
    Lines LinesStartingWith(const std::string& prefix) const {
        Lines found;
        for (const std::string& line : log.lines) {
            if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
        }
        return found;
    }

    fakes::DurableFiles files;
    fakes::WallClock clock;
    fakes::Log log;
    fakes::StatusBar statusBar;
    fakes::Listener listener;
    FailingLibrary halvex2, halvex3;
    WorkBudget budget;
    fakes::Rounds rounds;
    fakes::Alerts alerts;
    MessageHold hold{files, clock, alerts.clock, log, alerts.alerts};
    SocketLink link{statusBar, log, budget, rounds, nullptr, &hold};
    HalvexDelivery delivery{ConnectionType::BySocket, halvex2, halvex3, link, log, &hold};
};

TEST_F(HeldDeliveryTest, SocketBacklogAndDroppedLinesGoOutOnceInOrder) {
    Send({"a", "b"});
    auto first = listener.ConnectTo(link);
    first->budget = 0;  // takes nothing yet: the lines wait in the link
    Send({"c"});
    EXPECT_TRUE(first->wire.empty());
    Tick();
    link.OnClosed();  // "a" was handed to the link; it comes back in front of "b"
    Send({"d"});
    EXPECT_TRUE(LinesStartingWith("Failed").empty());

    auto second = listener.ConnectTo(link);
    Tick();
    Send({"e"});
    EXPECT_EQ(second->wire, "a||24\nb||24\nc||24\nd||24\ne||24\n");
    EXPECT_EQ(LinesStartingWith("Sent Message to Halvex: "), (Lines{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(),
                         "Halvex cannot take messages now: holding them until it can"), 1);
}

TEST_F(HeldDeliveryTest, TheLineThatHitsTheBoundGoesBackBehindTheLinesBeforeIt) {
    listener.ConnectTo(link)->budget = 0;  // open, but never reads
    std::string expected;
    for (int i = 0; link.IsConnected() || i % 10 != 0; ++i) {
        const std::string alarm = std::to_string(i) + std::string(2000, '.');
        expected += alarm + "||24\n";
        delivery.SendToHalvex(alarm);
    }
    auto halvex = listener.ConnectTo(link);
    for (int tick = 0; tick < 100 && !hold.IsEmpty(); ++tick) Tick();
    EXPECT_EQ(halvex->wire, expected);
}

TEST_F(HeldDeliveryTest, LinesWaitingForTheSocketStayInTheSpoolUntilItTookThemAll) {
    auto halvex = listener.ConnectTo(link);
    halvex->budget = 3;
    Send({"a", "b"});
    EXPECT_EQ(Spooled(), (Lines{"a", "b"})) << "a crash now must not lose them";
    halvex->budget = 4;
    link.OnWritable();
    EXPECT_EQ(Spooled(), (Lines{"b"}));
    halvex->budget = std::string::npos;
    link.OnWritable();
    EXPECT_EQ(Spooled(), Lines{});
    EXPECT_EQ(halvex->wire, "a||24\nb||24\n");
}

TEST_F(HeldDeliveryTest, AHandOverThatKeepsFailingLeavesTheSpoolFileAlone) {
    HalvexDelivery byLibraries{ConnectionType::ByLibraries, halvex2, halvex3, link, log, &hold};
    for (const char* message : {"a", "b"}) byLibraries.SendToHalvex(message);
    const int replacements = files.replacements;
    halvex3.running = 1;  // answers, but takes nothing
    for (int tick = 0; tick < 3; ++tick) {
        budget.Renew();
        byLibraries.DeliverHeldMessages(budget);
    }
    EXPECT_EQ(files.replacements, replacements);
    EXPECT_EQ(Spooled(), (Lines{"a", "b"}));
}

TEST_F(HeldDeliveryTest, HeartbeatFailsAtOnceInBothWaysInsteadOfBeingHeld) {
    HeartbeatIni ini;
    for (ConnectionType type : {ConnectionType::BySocket, ConnectionType::ByLibraries}) {
        HalvexDelivery deliveryOfType{type, halvex2, halvex3, link, log, &hold};
        EventNotifier{ini, deliveryOfType}.SendHeartbeat();
    }
    EXPECT_EQ(LinesStartingWith("Failed"), (Lines{" to send Message to Halvex: 1|||alive||||",
                                                  " to queued Message to Halvex (not running?): 1|||alive||||"}));
    EXPECT_TRUE(hold.IsEmpty());
}

}  // namespace
}  // namespace ostrilo
