// The harness's own parts, natively: a fault here would make end-to-end tests pass or
// fail for the wrong reason, or leave processes behind.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "harness/child_process.h"
#include "harness/tcp_line_client.h"
#include "harness/text_files.h"

namespace ostrilo::e2e {
namespace {

using namespace std::chrono_literals;
using testing::ElementsAre;

TEST(DayLogParsing, StripsTimeStampsAndKeepsSeparatorsWhole) {
    const std::string file =
        "14:03:07.250\tOstrilo version 1.0.02 is starting\r\n"
        "14:03:07.251\t\r\n"
        "14:03:07.252\t- not a separator once stamped\r\n"
        "------------\r\n"
        "14:03:08.000\tmessage\twith a tab\r\n";
    EXPECT_THAT(ParseLogMessages(file),
                ElementsAre("Ostrilo version 1.0.02 is starting", "", "- not a separator once stamped",
                            "------------", "message\twith a tab"));
}

TEST(DayLogParsing, LeavesOutALineStillBeingWritten) {
    EXPECT_THAT(ParseLogMessages("10:00:00.000\tdone\r\n10:00:00.001\thalf wri"), ElementsAre("done"));
}

TEST(DayLogParsing, KeepsTextThatOnlyLooksLikeAStampWhole) {
    // No tab after the stamp, or a letter in it: not a time stamp, so nothing is cut off.
    EXPECT_THAT(ParseLogMessages("10:00:00.000 no tab\r\n1a:00:00.000\tletter\r\n"),
                ElementsAre("10:00:00.000 no tab", "1a:00:00.000\tletter"));
}

TEST(DayLogParsing, PassesAnsiBytesThroughUnchanged) {
    EXPECT_THAT(ParseLogMessages("10:00:00.000\tK\xfchlwasser \xb0" "C\r\n"), ElementsAre("K\xfchlwasser \xb0" "C"));
}

TEST(DayLogFileNaming, IsTheLocalDateYearFirst) {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 5;
    local.tm_hour = 23;
    local.tm_min = 59;
    local.tm_isdst = -1;
    EXPECT_EQ(DayLogFileName(std::mktime(&local)), "2026-12-05.Log");
}

TEST(BoundedCommand, CapturesBothStreamsAndTheExitCode) {
    const auto result = RunBounded({"/bin/sh", "-c", "printf 'a\\r\\nb'; echo oops >&2; exit 3"}, EnvironmentWith({}), 10s);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_THAT(result.Lines(), ElementsAre("a", "b"));
    EXPECT_EQ(result.err, "oops\n");
}

TEST(BoundedCommand, KillsACommandThatOverrunsAndSaysSo) {
    const auto started = std::chrono::steady_clock::now();
    const auto result = RunBounded({"/bin/sleep", "30"}, EnvironmentWith({}), 300ms);
    EXPECT_FALSE(result.exitCode.has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST(BoundedCommand, DoesNotWaitForADaemonHoldingItsOutput) {
    // The way `wineserver` detaches: the command ends, its child keeps the pipes open.
    const auto started = std::chrono::steady_clock::now();
    const auto result =
        RunBounded({"/bin/sh", "-c", "echo ready; (sleep 5 </dev/null &) ; exit 0"}, EnvironmentWith({}), 20s);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "ready\n");
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
}

TEST(BoundedCommand, StopsCapturingAtTheLimit) {
    const auto result = RunBounded({"/bin/sh", "-c", "head -c 3000000 /dev/zero"}, EnvironmentWith({}), 20s);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out.size(), kMaxCapturedBytes);
}

TEST(BoundedCommand, EnvironmentChangesAddAndRemoveVariables) {
    setenv("OSTRILO_E2E_DROPPED", "x", 1);
    const auto result = RunBounded({"/bin/sh", "-c", "echo \"$OSTRILO_E2E_ADDED/${OSTRILO_E2E_DROPPED-unset}\""},
                                   EnvironmentWith({{"OSTRILO_E2E_ADDED", "yes"}, {"OSTRILO_E2E_DROPPED", ""}}), 10s);
    unsetenv("OSTRILO_E2E_DROPPED");
    EXPECT_EQ(result.out, "yes/unset\n");
}

TEST(BackgroundProcess, ReportsTheExitCodeOnceEnded) {
    const auto folder = std::filesystem::temp_directory_path();
    ChildProcess child({"/bin/sh", "-c", "exit 7"}, EnvironmentWith({}), folder, "/dev/null", "/dev/null");
    EXPECT_EQ(child.WaitForExit(10s), 7);
    EXPECT_FALSE(child.IsRunning());
}

TEST(BackgroundProcess, IsKilledWhenItsOwnerGoesAway) {
    pid_t pid = -1;
    {
        ChildProcess child({"/bin/sleep", "30"}, EnvironmentWith({}), "/", "/dev/null", "/dev/null");
        pid = child.Pid();
        EXPECT_FALSE(child.WaitForExit(100ms).has_value());
    }
    // Reaped as well as killed: the id no longer names any process.
    EXPECT_EQ(kill(pid, 0), -1);
}

TEST(BackgroundProcess, RefusesAProgramThatDoesNotExist) {
    EXPECT_THROW(ChildProcess({"/nonexistent/program"}, EnvironmentWith({}), "/", "/dev/null", "/dev/null"),
                 std::runtime_error);
}

// A one-connection server on a free loopback port, playing the program's side.
class LoopbackPeer {
public:
    LoopbackPeer() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 1);
        socklen_t length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackPeer() {
        if (connection_ >= 0) close(connection_);
        close(listener_);
    }
    std::uint16_t Port() const { return port_; }
    void Accept() { connection_ = accept(listener_, nullptr, nullptr); }
    void Send(const std::string& bytes) { send(connection_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    void Close() {
        close(connection_);
        connection_ = -1;
    }

private:
    int listener_ = -1;
    int connection_ = -1;
    std::uint16_t port_ = 0;
};

TEST(TcpLines, SplitsOnLineFeedsKeepingTheBytesBeforeThem) {
    LoopbackPeer peer;
    TcpLineClient client(peer.Port(), 5s);
    peer.Accept();
    peer.Send("first||24\nsec");
    peer.Send("ond\r\n");
    EXPECT_EQ(client.ReadLine(5s), "first||24");
    EXPECT_EQ(client.ReadLine(5s), "second\r");
}

TEST(TcpLines, GivesUpOnSilenceAndOnClose) {
    LoopbackPeer peer;
    TcpLineClient client(peer.Port(), 5s);
    peer.Accept();
    EXPECT_EQ(client.ReadLine(200ms), std::nullopt);
    peer.Send("unfinished");
    peer.Close();
    EXPECT_EQ(client.ReadLine(5s), std::nullopt);
    EXPECT_EQ(client.Pending(), "unfinished");
    EXPECT_TRUE(client.WaitForPeerClose(1s));
}

TEST(TcpLines, DoesNotGrowWithoutBoundOnALineWithoutEnd) {
    LoopbackPeer peer;
    TcpLineClient client(peer.Port(), 5s);
    peer.Accept();
    std::thread flood([&] {
        const std::string chunk(64 * 1024, 'x');
        // Just over the limit, so the sender never blocks on a client that stopped reading.
        for (int i = 0; i < 17; ++i) peer.Send(chunk);
    });
    EXPECT_EQ(client.ReadLine(10s), std::nullopt);
    flood.join();
    EXPECT_LE(client.Pending().size(), TcpLineClient::kMaxLineBytes + 4096);
}

TEST(TcpLines, ConnectingToAPortNobodyListensOnFailsInTime) {
    std::uint16_t freePort = 0;
    {
        LoopbackPeer closedAgain;
        freePort = closedAgain.Port();
    }
    EXPECT_THROW(TcpLineClient(freePort, 200ms), std::runtime_error);
}

}  // namespace
}  // namespace ostrilo::e2e
