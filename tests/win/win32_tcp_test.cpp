// The Winsock connection on loopback, with its events posted to a message-only window and
// pumped here with a time bound: what the real program under Wine cannot show, that a
// closed connection's queued events never reach its successor.

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
    explicit Client(int port) : socket_(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<u_short>(port));
        ::connect(socket_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    void SendText(const std::string& text) { ::send(socket_.Get(), text.data(), static_cast<int>(text.size()), 0); }
    void Close() { socket_.Reset(); }

private:
    ScopedSocket socket_;
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

TEST_F(TcpLink, ClosedConnectionRefusesToSendAndLeavesNoQueuedEventsBehind) {
    Win32TcpListener listener(window_, kAcceptMessage, kConnectionMessage);
    const int port = listener.Listen(0, platform::kAnyAddress).localPort;
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
    const int port = listener.Listen(0, platform::kAnyAddress).localPort;
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

}  // namespace
}  // namespace ostrilo::win32
