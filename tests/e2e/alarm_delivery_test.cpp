// Alarms from the bridge to Halvex with the real program under Wine: by the client
// libraries, and over the socket link to a real TCP peer, with every alarm accounted for.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <optional>

#include "harness/alarm_accounting.h"
#include "harness/tcp_ports.h"
#include "harness/journal_lines.h"
#include "harness/ostrilo_run.h"

namespace ostrilo::e2e {
namespace {

using testing::Contains;
using testing::Each;

constexpr std::chrono::milliseconds kLineWait = 10s;

class LibraryDeliveryTest : public OstriloE2eTest {
protected:
    void StartWithWinCCRunning() {
        run->WriteIni("[General]\r\nConnectionType=0\r\n");
        run->WriteControl("Ostrilo", "project=P\n");
        run->Start();
    }

    // Queues one alarm and waits until it and everything before it is accounted for.
    testing::AssertionResult Relay(const std::string& alarm) {
        relayed_.push_back(alarm);
        QueueAlarms(*run, {alarm});
        return WaitForAccounting(*run, relayed_, kDefaultWait, &account);
    }

    AlarmAccount account;

private:
    std::vector<std::string> relayed_;
};

TEST_F(LibraryDeliveryTest, EachAlarmIsQueuedWithEveryLibraryThatReportsRunning) {
    StartWithWinCCRunning();
    ASSERT_TRUE(Relay("both|take it"));
    // Halvex3 may still be taking it when Halvex2's line makes the account complete.
    EXPECT_TRUE(run->WaitForJournal("Halvex2", "SetCommandEntry \"TA:both|take it||24\" 0 -> 0"));
    EXPECT_TRUE(run->WaitForJournal("Halvex3", "SetCommandEntry \"TA:both|take it||24\" 0 -> 0"));

    run->WriteControl("Halvex2", "running=0\n");
    ASSERT_TRUE(Relay("only Halvex3"));
    run->WriteControl("Halvex3", "running=0\n");
    ASSERT_TRUE(Relay("nobody"));

    EXPECT_EQ(account.queuedWith2, 1u);
    EXPECT_EQ(account.queuedWith3, 2u);
    EXPECT_EQ(account.notQueued, 1u);
    EXPECT_THAT(run->LogMessages(), Contains("Failed to queued Message to Halvex (not running?): nobody"));
    EXPECT_THAT(run->LogMessages(), Contains("Halvex has recently been stopped"));
    for (const char* library : {"Halvex2", "Halvex3"}) {
        auto probes = run->JournalLines(library);
        probes.erase(std::remove_if(probes.begin(), probes.end(),
                                    [](const std::string& line) { return !StartsWith(line, "GetRunningApps"); }),
                     probes.end());
        EXPECT_THAT(probes, Each(testing::StartsWith("GetRunningApps 1 -> "))) << library;
    }
}

TEST_F(LibraryDeliveryTest, LibraryThatCannotBeLoadedCountsAsNotRunning) {
    run->RemoveProgramFile("Halvex2.dll");
    StartWithWinCCRunning();
    ASSERT_TRUE(run->WaitForLog("We found out that Halvex is running"));
    ASSERT_TRUE(Relay("reaches Halvex3 alone"));
    run->WriteControl("Halvex3", "running=0\n");
    ASSERT_TRUE(Relay("reaches nobody"));
    EXPECT_EQ(account.queuedWith2, 0u);
    EXPECT_EQ(account.queuedWith3, 1u);
    EXPECT_EQ(account.notQueued, 1u);
    EXPECT_TRUE(run->WaitForLog("Halvex has recently been stopped"));
}

TEST_F(LibraryDeliveryTest, ThousandsOfAlarmsAreEachAccountedForOnce) {
    const auto alarms = NumberedAlarms("Alarm", 1, 2000);
    StartWithWinCCRunning();
    QueueAlarms(*run, alarms);
    // Halvex3 goes away part way: its alarms end with one queue line instead of two.
    ASSERT_TRUE(run->WaitUntil([&] { return HandedOverAlarms(*run).size() >= 600; }, "600 alarms relayed", 60s));
    run->WriteControl("Halvex3", "running=0\n");

    AlarmAccount account;
    ASSERT_TRUE(WaitForAccounting(*run, alarms, 60s, &account));
    EXPECT_EQ(account.queuedWith2, alarms.size());
    EXPECT_GE(account.queuedWith3, 600u);
    EXPECT_LT(account.queuedWith3, alarms.size());
    EXPECT_EQ(account.notQueued, 0u);
}

class SocketDeliveryTest : public OstriloE2eTest {
protected:
    // Socket delivery with WinCC running; the client libraries report Halvex stopped, so
    // the program's "Halvex has recently been started/stopped" lines follow the link.
    void StartListening(const std::string& extraIni = "", const std::string& bridgeControl = "project=P\n") {
        port = UnusedTcpPort();
        run->WriteIni("[General]\r\nConnectionType=1\r\nPortNumber=" + std::to_string(port) + "\r\n" + extraIni);
        run->WriteControl("Ostrilo", bridgeControl);
        run->WriteControl("Halvex2", "running=0\n");
        run->WriteControl("Halvex3", "running=0\n");
        run->Start();
        ASSERT_TRUE(run->WaitForLog("We found out that Halvex is stopped"));
    }

    std::size_t LogCount(const std::string& message) const {
        const auto log = run->LogMessages();
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), message));
    }

    // Connects a peer and waits until the program has taken it (the link makes Halvex count as running).
    TcpLineClient Connect() {
        const std::size_t before = LogCount("Halvex has recently been started");
        TcpLineClient peer = run->ConnectTcp(port);
        EXPECT_TRUE(run->WaitUntil([&] { return LogCount("Halvex has recently been started") > before; },
                                   "the program taking the connection"));
        return peer;
    }

    testing::AssertionResult WaitForLinkDown(std::size_t downsBefore) {
        return run->WaitUntil([&] { return LogCount("Halvex has recently been stopped") > downsBefore; },
                              "the program noticing the link is gone");
    }

    std::string FirstPanel() {
        const CommandResult panels = run->Probe("panels");
        return panels.Lines().empty() ? "(no panels: " + panels.Describe() + ")" : panels.Lines().front();
    }

    std::uint16_t port = 0;
};

TEST_F(SocketDeliveryTest, PeerReceivesExactLinesForAlarmsAndWinCCNotifications) {
    StartListening(
        "[HalvexMessageWhenOstriloIsStarted]\r\nEventType=0\r\nT0=no peer yet\r\n"
        "[HalvexMessageWhenWinCCIsStarted]\r\nEventType=1\r\nT0=WinCC up\r\n"
        "[HalvexMessageWhenWinCCIsStopped]\r\nEventType=2\r\nT4=WinCC down\r\n",
        "");
    EXPECT_THAT(run->LogMessages(), Contains("Failed to send Message to Halvex: 0|||no peer yet||||"));
    TcpLineClient peer = Connect();
    EXPECT_EQ(FirstPanel(), "Connected");

    run->WriteControl("Ostrilo", "project=P\n");
    EXPECT_EQ(peer.ReadLine(kLineWait), "1|||WinCC up||||||24");
    QueueAlarms(*run, {"abc", "\r\n", "A\r\nB|bar  ", "ANSI \xE9"});
    EXPECT_EQ(peer.ReadLine(kLineWait), "abc||24");
    EXPECT_EQ(peer.ReadLine(kLineWait), "||24");
    EXPECT_EQ(peer.ReadLine(kLineWait), "AB|bar  ||24");
    EXPECT_EQ(peer.ReadLine(kLineWait), "ANSI \xE9||24");
    run->WriteControl("Ostrilo", "project=\n");
    EXPECT_EQ(peer.ReadLine(kLineWait), "2|||||||WinCC down||24");
    EXPECT_EQ(peer.Pending(), "") << "nothing but whole lines";

    // The line is logged once the socket took it, which may be after the peer read it.
    EXPECT_TRUE(run->WaitForLog("Sent Message to Halvex: 2|||||||WinCC down"));
    EXPECT_THAT(run->LogMessages(), Contains("Sent Message to Halvex: AB|bar  "));
}

TEST_F(SocketDeliveryTest, NewestPeerWinsGarbageIsIgnoredAndAReconnectResumesDelivery) {
    StartListening();
    std::optional<TcpLineClient> first(Connect());
    TcpLineClient second = run->ConnectTcp(port);
    EXPECT_TRUE(first->WaitForPeerClose(kLineWait)) << "the older connection is closed for the newer one";
    EXPECT_EQ(first->Pending(), "");

    std::string garbage(64 * 1024, '\0');
    for (std::size_t index = 0; index < garbage.size(); ++index) garbage[index] = static_cast<char>(index * 7);
    ASSERT_TRUE(second.Send(garbage + "\r\nTA:not a command||24\n"));
    QueueAlarms(*run, {"to the second peer"});
    EXPECT_EQ(second.ReadLine(kLineWait), "to the second peer||24");
    EXPECT_EQ(FirstPanel(), "Connected");

    const std::size_t downs = 0;
    { TcpLineClient gone = std::move(second); }
    ASSERT_TRUE(WaitForLinkDown(downs));
    EXPECT_EQ(FirstPanel(), "Not Connected");
    QueueAlarms(*run, {"while nobody listens"});
    ASSERT_TRUE(run->WaitForLog("Failed to send Message to Halvex: while nobody listens"));

    TcpLineClient third = Connect();
    QueueAlarms(*run, {"after the reconnect"});
    EXPECT_EQ(third.ReadLine(kLineWait), "after the reconnect||24") << "nothing missed in between is resent";

    AlarmAccount account;
    EXPECT_TRUE(WaitForAccounting(*run, {"to the second peer", "while nobody listens", "after the reconnect"},
                                  kDefaultWait, &account));
    EXPECT_EQ(account.sent, 2u);
    EXPECT_EQ(account.sendFailed, 1u);
}

TEST_F(SocketDeliveryTest, ThousandsOfAlarmsAreEachSentOrFailedOnce) {
    StartListening();
    std::optional<TcpLineClient> peer(Connect());
    const auto before = NumberedAlarms("Alarm", 1, 1000);
    const auto whileAway = NumberedAlarms("Alarm", 1001, 400);
    const auto after = NumberedAlarms("Alarm", 1401, 600);

    QueueAlarms(*run, before);
    ASSERT_TRUE(WaitForAccounting(*run, before, 60s));
    peer.reset();
    ASSERT_TRUE(WaitForLinkDown(0));
    auto all = before;
    all.insert(all.end(), whileAway.begin(), whileAway.end());
    QueueAlarms(*run, whileAway);
    ASSERT_TRUE(WaitForAccounting(*run, all, 60s));
    peer.emplace(Connect());
    all.insert(all.end(), after.begin(), after.end());
    QueueAlarms(*run, after);

    AlarmAccount account;
    ASSERT_TRUE(WaitForAccounting(*run, all, 60s, &account));
    EXPECT_EQ(account.sent, before.size() + after.size());
    EXPECT_EQ(account.sendFailed, whileAway.size());
    for (const auto& alarm : after) {
        const auto line = peer->ReadLine(kLineWait);
        ASSERT_EQ(line, alarm + "||24");
    }
}

TEST_F(SocketDeliveryTest, PeerThatStopsReadingIsDroppedAtTheBoundAndEveryAlarmIsAccounted) {
    StartListening();
    TcpLineClient peer = Connect();
    // Long alarms fill the socket's buffers and the program's 1 MiB quickly.
    constexpr std::size_t kAlarmBytes = 8000;
    const auto alarms = NumberedAlarms("Alarm", 1, 800, kAlarmBytes);
    QueueAlarms(*run, alarms);

    ASSERT_TRUE(run->WaitUntil([&] { return HandedOverAlarms(*run).size() >= 300; }, "300 long alarms relayed", 60s));
    const auto asked = std::chrono::steady_clock::now();
    const CommandResult list = run->Probe("list-lines", 30s);
    const auto answered = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked);
    EXPECT_TRUE(list.Succeeded()) << "the window answers while the link is backed up: " << list.Describe();
    std::cout << "[ measured ] list-lines answered in " << answered.count() << " ms during the flood\n";

    ASSERT_TRUE(WaitForLinkDown(0)) << "the link is dropped once 1 MiB waits for the peer";
    AlarmAccount account;
    ASSERT_TRUE(WaitForAccounting(*run, alarms, 90s, &account));
    EXPECT_GT(account.sent, 0u);
    EXPECT_GT(account.sendFailed, 0u);
    std::cout << "[ measured ] " << account.sent << " sent, " << account.sendFailed << " failed\n";

    // At the drop the link gives up what it held, at most 1 MiB of lines, plus what one
    // tick relays before the presence check notices.
    const auto log = run->LogMessages();
    const auto down = std::find(log.begin(), log.end(), "Halvex has recently been stopped");
    const auto failedAtDrop = std::count_if(log.begin(), down, [](const std::string& message) {
        return StartsWith(message, "Failed to send Message to Halvex: ");
    });
    EXPECT_GT(failedAtDrop, 0);
    EXPECT_LE(static_cast<std::size_t>(failedAtDrop), (1u << 20) / kAlarmBytes + 1 + 20);

    // What the peer finally reads is exactly the alarms logged as sent, whole and in order.
    std::vector<std::string> received;
    while (auto line = peer.ReadLine(kLineWait)) received.push_back(*line);
    std::vector<std::string> expected;
    for (std::size_t index = 0; index < account.sent; ++index) expected.push_back(alarms[index] + "||24");
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected) << "the received lines are not the sent alarms in order";
    const std::string& partial = peer.Pending();
    EXPECT_EQ(partial, (alarms[account.sent] + "||24\n").substr(0, partial.size()))
        << "bytes after the last whole line belong to the first dropped alarm";
}

}  // namespace
}  // namespace ostrilo::e2e
