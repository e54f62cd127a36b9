#pragma once

#include "win32/scoped_handles.h"

#include <cstdint>
#include <memory>
#include <string>

#include "platform/tcp.h"
#include "win32/winsock_session.h"

namespace ostrilo::win32 {

// A socket notification posted by WSAAsyncSelect, decoded for the window procedure.
struct SocketEvent {
    enum class Kind { Accept, Read, Write, Close, Other };
    Kind kind = Kind::Other;
    int errorCode = 0;  // non-zero: the event reports a failure
};
SocketEvent DecodeSocketMessage(LPARAM lParam);

// One accepted connection; readiness is posted to `window` as `eventMessage`.
class Win32TcpConnection final : public platform::TcpConnection {
public:
    Win32TcpConnection(ScopedSocket socket, std::uint32_t peerAddress, std::shared_ptr<WinsockSession> session,
                       HWND window, UINT eventMessage);
    ~Win32TcpConnection() override;
    Win32TcpConnection(const Win32TcpConnection&) = delete;
    Win32TcpConnection& operator=(const Win32TcpConnection&) = delete;

    platform::SendResult Send(const char* data, std::size_t size) override;
    platform::ReceiveResult Receive(char* buffer, std::size_t capacity) override;
    void Close() override;
    std::uint32_t PeerAddress() const override;

private:
    std::shared_ptr<WinsockSession> session_;  // declared first: outlives the socket
    ScopedSocket socket_;
    std::uint32_t peerAddress_;
    HWND window_;
    UINT eventMessage_;
};

// The listening socket. Connection requests are posted to `window` as
// `acceptMessage`; events of the accepted connections as `connectionMessage`.
class Win32TcpListener final : public platform::TcpListener {
public:
    Win32TcpListener(HWND window, UINT acceptMessage, UINT connectionMessage);

    platform::ListenResult Listen(int port, std::uint32_t address) override;
    std::unique_ptr<platform::TcpConnection> Accept() override;
    std::string DescribeError(int errorCode) override;

private:
    HWND window_;
    UINT acceptMessage_;
    UINT connectionMessage_;
    int startupError_ = 0;
    std::shared_ptr<WinsockSession> session_;
    ScopedSocket listening_;
};

}  // namespace ostrilo::win32
