// The program in an alarm chain under abuse: a flood of connections, garbage on the wire, a
// peer that never reads, a bridge library that lies about its texts, a garbage Ostrilo.ini
// and a log folder taken away or locked. After each it must still answer at its window,
// relay a fresh alarm within a second, and account for every alarm with a log line.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "harness/alarm_accounting.h"
#include "harness/journal_lines.h"
#include "harness/ostrilo_run.h"
#include "harness/tcp_ports.h"
#include "harness/text_files.h"

namespace ostrilo::e2e {
namespace {

using testing::HasSubstr;
using Clock = std::chrono::steady_clock;

constexpr auto kFreshAlarmBound = 1s;
constexpr std::uint64_t kRandomSeed = 0x05171110;
constexpr char kSentLine[] = "Sent Message to Halvex: ";
constexpr char kSendFailedLine[] = "Failed to send Message to Halvex: ";
constexpr char kQueuedWith2Line[] = "Queued Message to Halvex using Halvex2.DLL: ";
// For lines whose timing is not under test.
constexpr auto kLineWait = 5s;
// The longest alarm text the program takes from the bridge library in one call.
constexpr std::size_t kLongestAlarm = 8192;

std::string RandomBytes(std::mt19937_64& random, std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t index = 0; index < size; index += 8) {
        const std::uint64_t word = random();
        for (std::size_t byte = 0; byte < 8 && index + byte < size; ++byte) {
            bytes[index + byte] = static_cast<char>(word >> (8 * byte));
        }
    }
    return bytes;
}

class AbuseTest : public OstriloE2eTest {
protected:
    enum class Delivery { Library, Socket };

    void StartWithWinCCRunning(Delivery delivery) {
        delivery_ = delivery;
        std::string ini = "[General]\r\nConnectionType=" + std::string(delivery == Delivery::Socket ? "1" : "0") + "\r\n";
        if (delivery == Delivery::Socket) {
            port_ = UnusedTcpPort();
            ini += "PortNumber=" + std::to_string(port_) + "\r\n";
        }
        run->WriteIni(ini);
        run->WriteControl("Ostrilo", "project=Plant A\n");
        run->Start();
        ASSERT_TRUE(run->WaitForLog("We found out that WinCC is running"));
    }

    void Queue(const std::vector<std::string>& alarms) {
        QueueAlarms(*run, alarms);
        queued_.insert(queued_.end(), alarms.begin(), alarms.end());
    }

    std::optional<std::string> ConnectionPanel() {
        const CommandResult panels = run->Probe("panels");
        if (!panels.Succeeded() || panels.Lines().empty()) return std::nullopt;
        return panels.Lines().front();
    }

    testing::AssertionResult WaitForConnectionPanel(bool connected) {
        return run->WaitUntil(
            [&] {
                const auto panel = ConnectionPanel();
                return panel && (*panel == "Connected") == connected;
            },
            connected ? "status panel \"Connected\"" : "status panel other than \"Connected\"");
    }

    // The window answers the probe and a new alarm is relayed within a second: in socket
    // delivery to a fresh peer, so earlier peers must be gone and earlier alarms relayed.
    void ExpectResponsiveAndRelaying() {
        const CommandResult lines = run->Probe("list-lines", 10s);
        ASSERT_TRUE(lines.Succeeded()) << "the window did not answer\n" << lines.Describe();
        ASSERT_FALSE(lines.Lines().empty());

        const std::string alarm = "Fresh alarm " + std::to_string(++freshAlarms_);
        std::optional<TcpLineClient> peer;
        if (delivery_ == Delivery::Socket) {
            ASSERT_TRUE(WaitForConnectionPanel(false));
            peer.emplace(run->ConnectTcp(port_));
            ASSERT_TRUE(WaitForConnectionPanel(true));
        }
        const auto queuedAt = Clock::now();
        Queue({alarm});
        // Timed at the peer where there is one: after a flood, reading the long log costs the
        // harness more than the program takes.
        if (peer) {
            EXPECT_EQ(peer->ReadLine(kFreshAlarmBound), alarm + "||24");
        }
        ASSERT_TRUE(run->WaitForLog((peer ? kSentLine : kQueuedWith2Line) + alarm, kLineWait));
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - queuedAt);
        if (!peer) {
            EXPECT_LE(took, kFreshAlarmBound) << "a fresh alarm took " << took.count() << " ms";
        }
    }

    // Polled slowly: a flood makes the day's file tens of megabytes.
    bool LogShowsWithin(const std::string& text, std::chrono::seconds timeout) {
        const auto dayFile = run->ProgramDir() / "LogFiles" / DayLogFileName(std::time(nullptr));
        for (const auto deadline = Clock::now() + timeout; Clock::now() < deadline;) {
            if (ReadWholeFile(dayFile).find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(1s);
        }
        return false;
    }

    void ExpectEveryAlarmAccountedFor(AlarmAccount* account = nullptr) {
        EXPECT_TRUE(WaitForAccounting(*run, queued_, 60s, account));
    }

    Delivery delivery_ = Delivery::Library;
    std::uint16_t port_ = 0;
    std::vector<std::string> queued_;
    int freshAlarms_ = 0;
};

TEST_F(AbuseTest, ThousandConnectDisconnectCyclesWhileAlarmsFlow) {
    StartWithWinCCRunning(Delivery::Socket);
    Queue(NumberedAlarms("Churn alarm", 0, 100));
    for (int cycle = 0; cycle < 1000; ++cycle) {
        TcpLineClient client = run->ConnectTcp(port_);
    }
    ExpectEveryAlarmAccountedFor();
    ExpectResponsiveAndRelaying();
    ExpectEveryAlarmAccountedFor();
}

TEST_F(AbuseTest, FiftyMegabytesOfRandomBytesInboundAreDrainedAndIgnored) {
    StartWithWinCCRunning(Delivery::Socket);
    std::mt19937_64 random(kRandomSeed);
    {
        TcpLineClient peer = run->ConnectTcp(port_);
        ASSERT_TRUE(WaitForConnectionPanel(true));
        Queue(NumberedAlarms("Alarm during garbage", 0, 50));
        for (int megabyte = 0; megabyte < 50; ++megabyte) {
            ASSERT_TRUE(peer.Send(RandomBytes(random, 1 << 20))) << "the program stopped reading after "
                                                                 << megabyte << " MiB";
        }
    }
    ExpectEveryAlarmAccountedFor();
    ExpectResponsiveAndRelaying();
    ExpectEveryAlarmAccountedFor();
}

TEST_F(AbuseTest, PeerThatNeverReadsIsDroppedAndTheRestIsLoggedAsFailed) {
    StartWithWinCCRunning(Delivery::Socket);
    {
        TcpLineClient sleeper = run->ConnectTcp(port_);
        ASSERT_TRUE(WaitForConnectionPanel(true));
        // 10,000 alarms of 8,000 bytes: 80 MB, twice what loopback buffers and the 1 MiB
        // bound can hold together.
        Queue(NumberedAlarms("Unread alarm", 0, 10000, 8000));
        // Watched in the log, not at the peer: waiting there would read.
        EXPECT_TRUE(LogShowsWithin(kSendFailedLine, 150s)) << "the link to a peer that never reads was not dropped";
        EXPECT_TRUE(sleeper.WaitForPeerClose(kLineWait));
    }
    AlarmAccount account;
    ExpectEveryAlarmAccountedFor(&account);
    EXPECT_GT(account.sent, 0u);
    EXPECT_GT(account.sendFailed, 0u);
    ExpectResponsiveAndRelaying();
    ExpectEveryAlarmAccountedFor();
}

// Fault injection in the bridge library: whatever count it claims, the program stays up
// and relays at most what its buffer holds; alarms it is told about afterwards go through.
TEST_F(AbuseTest, BridgeCountsBeyondTheBufferNegativeOrUnterminatedDoNotHarmTheProgram) {
    StartWithWinCCRunning(Delivery::Socket);
    {
        TcpLineClient peer = run->ConnectTcp(port_);
        ASSERT_TRUE(WaitForConnectionPanel(true));

        run->WriteControl("Ostrilo", "project=Plant A\nmessage_count=32767\nmessage_unterminated=1\n");
        QueueAlarms(*run, {"Oversized count"});
        const auto oversized = peer.ReadLine(kLineWait);
        ASSERT_TRUE(oversized.has_value());
        EXPECT_EQ(oversized->rfind("Oversized count", 0), 0u);
        // The program's buffer bounds the text, not the library's claim.
        EXPECT_LE(oversized->size(), kLongestAlarm + std::string("||24").size());

        run->WriteControl("Ostrilo", "project=Plant A\nmessage_count=-5\n");
        QueueAlarms(*run, {"Negative count"});
        ASSERT_TRUE(run->WaitUntil([&] { return HandedOverAlarms(*run).size() == 2; }, "the second hand-over"));

        run->WriteControl("Ostrilo", "project=Plant A\nmessage_unterminated=1\n");
        QueueAlarms(*run, {"No terminator"});
        // The true count is honoured: none of the filler after the text goes out.
        EXPECT_EQ(peer.ReadLine(kLineWait), "No terminator||24");
        ASSERT_TRUE(run->WaitForLog(kSentLine + std::string("No terminator")));
    }
    const auto log = run->LogMessages();
    EXPECT_EQ(CountOf(log, kSentLine), 2u) << "a count of -5 means no message";
    EXPECT_EQ(CountOf(log, kSendFailedLine), 0u);

    run->WriteControl("Ostrilo", "project=Plant A\n");
    ExpectResponsiveAndRelaying();
}

TEST_F(AbuseTest, IniOfRandomBytesStillStartsLogsAndCloses) {
    std::mt19937_64 random(kRandomSeed);
    run->WriteIni(RandomBytes(random, 64 * 1024));
    run->Start();
    ASSERT_TRUE(run->WaitForLog("Ostrilo version 1.0.02 is starting")) << "seed " << kRandomSeed;
    ASSERT_TRUE(run->WaitForLog("Ostrilo started as a normal application"));
    const CommandResult lines = run->Probe("list-lines", 10s);
    EXPECT_TRUE(lines.Succeeded()) << lines.Describe();
    ASSERT_TRUE(run->Probe("close").Succeeded());
    EXPECT_EQ(run->WaitForExit(), 0);
}

TEST_F(AbuseTest, LogFolderRemovedOrLogFileLockedWhileAlarmsFlow) {
    namespace fs = std::filesystem;
    StartWithWinCCRunning(Delivery::Library);
    Queue(NumberedAlarms("Before removal", 0, 20));
    ExpectEveryAlarmAccountedFor();

    // Start the count afresh: the removal takes the earlier lines with it.
    for (const char* journal : {"Ostrilo.journal", "Halvex2.journal", "Halvex3.journal"}) {
        WriteWholeFile(run->ProgramDir() / journal, "");
    }
    queued_.clear();
    fs::remove_all(run->ProgramDir() / "LogFiles");
    Queue(NumberedAlarms("After removal", 0, 20));
    ExpectEveryAlarmAccountedFor();

    // A reader holding the day's file without sharing: the lines still reach the list.
    const fs::path dayFile = run->ProgramDir() / "LogFiles" / DayLogFileName(std::time(nullptr));
    const std::string windowsDayFile = run->WindowsProgramDir() + "LogFiles\\" + dayFile.filename().string();
    CommandResult lockResult;
    std::thread locker([&] { lockResult = run->Probe("lock-file " + windowsDayFile + " 4"); });
    const bool held =
        static_cast<bool>(run->WaitUntil([&] { return fs::exists(dayFile.string() + ".held"); }, "the lock"));
    const auto whileLocked = NumberedAlarms("While locked", 0, 10);
    if (held) QueueAlarms(*run, whileLocked);
    const auto inList = [&] {
        const CommandResult lines = run->Probe("list-lines");
        std::size_t found = 0;
        for (const auto& alarm : whileLocked) {
            for (const auto& line : lines.Lines()) found += line.find(kQueuedWith2Line + alarm) != std::string::npos;
        }
        return found == whileLocked.size();
    };
    EXPECT_TRUE(held && run->WaitUntil(inList, "every alarm sent during the lock in the list", 3s));
    locker.join();
    EXPECT_TRUE(lockResult.Succeeded()) << lockResult.Describe();
    ExpectResponsiveAndRelaying();
}

}  // namespace
}  // namespace ostrilo::e2e
