// The Winsock listener and connection on loopback, with their events posted to a
// message-only window and pumped here with a time bound.

#include "win32/win32_tcp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/winsock_error_text.h"

namespace ostrilo::win32 {
namespace {

constexpr UINT kAcceptMessage = WM_APP + 10;
constexpr UINT kConnectionMessage = WM_APP + 11;
constexpr DWORD kWaitMs = 5000;

// A blocking client socket of the test, connected to the loopback port.
class Client {
public:
    explicit Client(int port, int receiveBuffer = 0) : socket_(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
        if (receiveBuffer > 0) {
            ::setsockopt(socket_.Get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
                         sizeof receiveBuffer);
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<u_short>(port));
        connected_ = ::connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    bool Connected() const { return connected_; }
    void SendText(const std::string& text) { ::send(socket_.Get(), text.data(), static_cast<int>(text.size()), 0); }
    std::string ReceiveText(std::size_t size) {
        std::string text(size, '\0');
        std::size_t got = 0;
        while (got < size) {
            const int n = ::recv(socket_.Get(), &text[got], static_cast<int>(size - got), 0);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        text.resize(got);
        return text;
    }
    void Close() { socket_.Reset(); }

private:
    ScopedSocket socket_;
    bool connected_ = false;
};

class TcpLink : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = ::CreateWindowExA(0, "STATIC", "tcp test", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr) << ::GetLastError();
        WSADATA data{};
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override {
        ::WSACleanup();
        if (window_ != nullptr) ::DestroyWindow(window_);
    }

    // Removes and returns the next socket message with id `id` whose event is `kind`.
    bool WaitForEvent(UINT id, SocketEvent::Kind kind, SocketEvent* event = nullptr) {
        const DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < kWaitMs) {
            MSG message{};
            while (::PeekMessageA(&message, window_, id, id, PM_REMOVE)) {
                const SocketEvent decoded = DecodeSocketMessage(message.lParam);
                if (decoded.kind != kind) continue;
                if (event != nullptr) *event = decoded;
                return true;
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
        }
        return false;
    }

    // Waits until a message with this id is queued, leaving it in the queue.
    bool WaitUntilQueued(UINT id) {
        const DWORD start = ::GetTickCount();
        MSG message{};
        while (::GetTickCount() - start < kWaitMs) {
            if (::PeekMessageA(&message, window_, id, id, PM_NOREMOVE)) return true;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
        }
        return false;
    }

    std::vector<SocketEvent> QueuedEvents(UINT id) {
        std::vector<SocketEvent> events;
        MSG message{};
        while (::PeekMessageA(&message, window_, id, id, PM_REMOVE)) events.push_back(DecodeSocketMessage(message.lParam));
        return events;
    }

    std::unique_ptr<platform::TcpConnection> AcceptNext(Win32TcpListener& listener) {
        if (!WaitForEvent(kAcceptMessage, SocketEvent::Kind::Accept)) return nullptr;
        return listener.Accept();
    }

    HWND window_ = nullptr;
};

std::string ReceiveAvailable(platform::TcpConnection& connection) {
    char buffer[64] = {};
    const platform::ReceiveResult result = connection.Receive(buffer, sizeof buffer);
    return std::string(buffer, result.bytesRead);
}

TEST_F(TcpLink, ListenerOnPortZeroReportsThePortItGot) {
    Win32TcpListener listener(window_, kAcceptMessage, kConnectionMessage);
    const platform::ListenResult result = listener.Listen(0);
    EXPECT_EQ(result.errorCode, 0);
    EXPECT_GT(result.localPort, 0);
}

TEST_F(TcpLink, AcceptedConnectionCarriesLinesBothWaysAndReportsThePeersClose) {
    Win32TcpListener listener(window_, kAcceptMessage, kConnectionMessage);
    const int port = listener.Listen(0).localPort;
    Client client(port);
    ASSERT_TRUE(client.Connected());
    auto connection = AcceptNext(listener);
    ASSERT_NE(connection, nullptr);

    const std::string line = "Pump 1 failed||24\n";
    const platform::SendResult sent = connection->Send(line.data(), line.size());
    EXPECT_EQ(sent.errorCode, 0);
    EXPECT_EQ(sent.bytesTaken, line.size());
    EXPECT_EQ(client.ReceiveText(line.size()), line);

    client.SendText("ack");
    ASSERT_TRUE(WaitForEvent(kConnectionMessage, SocketEvent::Kind::Read));
    const platform::ReceiveResult noRoom = connection->Receive(nullptr, 0);
    EXPECT_FALSE(noRoom.peerClosed) << "reading into no room must not look like the peer's close";
    EXPECT_EQ(ReceiveAvailable(*connection), "ack");

    client.Close();
    ASSERT_TRUE(WaitForEvent(kConnectionMessage, SocketEvent::Kind::Close));
    char buffer[8];
    EXPECT_TRUE(connection->Receive(buffer, sizeof buffer).peerClosed);
}

TEST_F(TcpLink, ReadWithNothingWaitingIsWouldBlockNotAnError) {
    Win32TcpListener listener(window_, kAcceptMessage, kConnectionMessage);
    Client client(listener.Listen(0).localPort);
    auto connection = AcceptNext(listener);
    ASSERT_NE(connection, nullptr);
    char buffer[8];
    const platform::ReceiveResult result = connection->Receive(buffer, sizeof buffer);
    EXPECT_TRUE(result.wouldBlock);
    EXPECT_EQ(result.errorCode, 0);
    EXPECT_FALSE(result.peerClosed);
}

TEST_F(TcpLink, SendToAPeerThatDoesNotReadEndsInWouldBlockAndWritableFollowsWhenItReads) {
    Win32TcpListener listener(window_, kAcceptMessage, kConnectionMessage);
    Client client(listener.Listen(0).localPort, 4096);
    auto connection = AcceptNext(listener);
    ASSERT_NE(connection, nullptr);

    const std::string chunk(64 * 1024, 'x');
    std::size_t taken = 0;
    platform::SendResult result;
    // Bounded: loopback buffers hold a few megabytes at most.
    while (taken < 512u * 1024 * 1024) {
        result = connection->Send(chunk.data(), chunk.size());
        if (result.wouldBlock || result.errorCode != 0) break;
        taken += result.bytesTaken;
    }
    ASSERT_TRUE(result.wouldBlock) << "no would-block after " << taken << " bytes, error " << result.errorCode;
    EXPECT_EQ(result.errorCode, 0);
    EXPECT_EQ(result.bytesTaken, 0u);

    QueuedEvents(kConnectionMessage);
    EXPECT_EQ(client.ReceiveText(taken).size(), taken);
    EXPECT_TRUE(WaitForEvent(kConnectionMessage, SocketEvent::Kind::Write));
}

TEST_F(TcpLink, ClosedConnectionRefusesToSendAndLeavesNoQueuedEventsBehind) {
    Win32TcpListener listener(window_, kAcceptMessage, kConnectionMessage);
    const int port = listener.Listen(0).localPort;
    Client first(port);
    auto firstConnection = AcceptNext(listener);
    ASSERT_NE(firstConnection, nullptr);
    first.SendText("old");
    first.Close();
    ASSERT_TRUE(WaitUntilQueued(kConnectionMessage));

    // The newest request wins: the old connection is closed before the new one is accepted.
    Client second(port);
    ASSERT_TRUE(WaitForEvent(kAcceptMessage, SocketEvent::Kind::Accept));
    firstConnection->Close();
    for (const SocketEvent& stale : QueuedEvents(kConnectionMessage)) {
        ADD_FAILURE() << "event of the closed connection still queued, kind " << static_cast<int>(stale.kind);
    }
    const platform::SendResult refused = firstConnection->Send("x", 1);
    EXPECT_NE(refused.errorCode, 0);
    EXPECT_FALSE(refused.wouldBlock);

    auto secondConnection = listener.Accept();
    ASSERT_NE(secondConnection, nullptr);
    second.SendText("new");
    ASSERT_TRUE(WaitForEvent(kConnectionMessage, SocketEvent::Kind::Read));
    EXPECT_EQ(ReceiveAvailable(*secondConnection), "new");
}

TEST_F(TcpLink, ClosingAReplacedConnectionKeepsTheEventsOfItsSuccessor) {
    Win32TcpListener listener(window_, kAcceptMessage, kConnectionMessage);
    const int port = listener.Listen(0).localPort;
    Client first(port);
    auto firstConnection = AcceptNext(listener);
    ASSERT_NE(firstConnection, nullptr);
    Client second(port);
    auto secondConnection = AcceptNext(listener);
    ASSERT_NE(secondConnection, nullptr);
    QueuedEvents(kConnectionMessage);

    second.SendText("data");
    ASSERT_TRUE(WaitUntilQueued(kConnectionMessage));
    firstConnection.reset();
    EXPECT_TRUE(WaitForEvent(kConnectionMessage, SocketEvent::Kind::Read));
    EXPECT_EQ(ReceiveAvailable(*secondConnection), "data");
}

TEST_F(TcpLink, PortHeldByAnotherListenerIsReportedAsInUseWithItsNumberAndAText) {
    Win32TcpListener holder(window_, kAcceptMessage, kConnectionMessage);
    const int port = holder.Listen(0).localPort;
    Win32TcpListener second(window_, kAcceptMessage, kConnectionMessage);
    const platform::ListenResult result = second.Listen(port);
    EXPECT_EQ(result.errorCode, WSAEADDRINUSE);
    EXPECT_EQ(result.localPort, port);
    EXPECT_FALSE(second.DescribeError(result.errorCode).empty());
    EXPECT_EQ(second.Accept(), nullptr);
}

TEST_F(TcpLink, PortOutsideTheTcpRangeFailsAndIsNamedInTheResult) {
    Win32TcpListener listener(window_, kAcceptMessage, kConnectionMessage);
    const platform::ListenResult result = listener.Listen(70000);
    EXPECT_NE(result.errorCode, 0);
    EXPECT_EQ(result.localPort, 70000);
}

TEST(WinsockErrorText, CommonSocketErrorsHaveASingleLineText) {
    for (int code : {10013, 10022, 10038, 10048, 10049, 10050, 10053, 10054, 10055, 10060, 10061, 10093}) {
        const std::string text = DescribeWinsockError(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << code << ": " << text;
        EXPECT_NE(BuiltInWinsockErrorText(code), nullptr) << code << " has no built-in text";
    }
}

TEST(WinsockErrorText, UnknownErrorIsNamedByItsNumber) {
    EXPECT_EQ(BuiltInWinsockErrorText(10999), nullptr);
    EXPECT_EQ(DescribeWinsockError(10999), "Error 10999");
}

TEST(SocketMessage, DecodesEventAndErrorFromTheMessageParameter) {
    const SocketEvent closed = DecodeSocketMessage(WSAMAKESELECTREPLY(FD_CLOSE, WSAECONNRESET));
    EXPECT_EQ(closed.kind, SocketEvent::Kind::Close);
    EXPECT_EQ(closed.errorCode, WSAECONNRESET);
    const SocketEvent readable = DecodeSocketMessage(WSAMAKESELECTREPLY(FD_READ, 0));
    EXPECT_EQ(readable.kind, SocketEvent::Kind::Read);
    EXPECT_EQ(readable.errorCode, 0);
}

}  // namespace
}  // namespace ostrilo::win32
