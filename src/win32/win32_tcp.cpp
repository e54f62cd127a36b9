#include "win32/win32_tcp.h"

#include <mstcpip.h>

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "win32/winsock_error_text.h"

namespace ostrilo::win32 {

namespace {

// send and recv take an int length; a larger request is served in part.
int ClampedLength(std::size_t size) { return static_cast<int>(std::min<std::size_t>(size, INT_MAX)); }

SocketEvent::Kind KindOf(WORD event) {
    switch (event) {
        case FD_ACCEPT: return SocketEvent::Kind::Accept;
        case FD_READ: return SocketEvent::Kind::Read;
        case FD_WRITE: return SocketEvent::Kind::Write;
        case FD_CLOSE: return SocketEvent::Kind::Close;
        default: return SocketEvent::Kind::Other;
    }
}

// Events already queued for a socket stay in the queue after it is closed. Removed here,
// they cannot be taken for events of the next connection, which may get the same handle.
void DiscardQueuedEvents(HWND window, UINT eventMessage, SOCKET closed) {
    std::vector<MSG> others;
    MSG message{};
    while (::PeekMessageA(&message, window, eventMessage, eventMessage, PM_REMOVE)) {
        if (message.wParam != closed) others.push_back(message);
    }
    for (const MSG& other : others) ::PostMessageA(other.hwnd, other.message, other.wParam, other.lParam);
}

// Binds to the port at the address and listens, with connection requests posted to the
// window. No SO_REUSEADDR: a port that another program listens on is refused, not shared.
bool StartListening(SOCKET socket, int port, std::uint32_t listenAddress, HWND window, UINT acceptMessage) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(listenAddress);
    address.sin_port = htons(static_cast<u_short>(port));
    return ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != SOCKET_ERROR &&
           ::WSAAsyncSelect(socket, window, acceptMessage, FD_ACCEPT) != SOCKET_ERROR &&
           ::listen(socket, SOMAXCONN) != SOCKET_ERROR;
}

// A peer that vanished without a close (its PC lost power, a cable was pulled) would
// otherwise never be noticed while nothing is sent: after a minute of silence the system
// probes every 6 seconds, and its 10 unanswered probes end the connection after about two
// minutes. Best effort: a stack that refuses the timing still keeps its own keepalive.
void KeepAlive(SOCKET socket) {
    constexpr u_long kSilenceMs = 60 * 1000;
    constexpr u_long kProbeIntervalMs = 6 * 1000;
    const BOOL on = TRUE;
    ::setsockopt(socket, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
    tcp_keepalive timing{1, kSilenceMs, kProbeIntervalMs};
    DWORD returned = 0;
    ::WSAIoctl(socket, SIO_KEEPALIVE_VALS, &timing, sizeof timing, nullptr, 0, &returned, nullptr, nullptr);
}

}  // namespace

SocketEvent DecodeSocketMessage(LPARAM lParam) {
    SocketEvent event;
    event.kind = KindOf(WSAGETSELECTEVENT(lParam));
    event.errorCode = WSAGETSELECTERROR(lParam);
    return event;
}

Win32TcpConnection::Win32TcpConnection(ScopedSocket socket, std::uint32_t peerAddress,
                                       std::shared_ptr<WinsockSession> session, HWND window, UINT eventMessage)
    : session_(std::move(session)),
      socket_(std::move(socket)),
      peerAddress_(peerAddress),
      window_(window),
      eventMessage_(eventMessage) {}

Win32TcpConnection::~Win32TcpConnection() { Close(); }

platform::SendResult Win32TcpConnection::Send(const char* data, std::size_t size) {
    platform::SendResult result;
    if (!socket_.IsValid()) {
        result.errorCode = WSAENOTCONN;
        return result;
    }
    const int sent = ::send(socket_.Get(), data, ClampedLength(size), 0);
    if (sent != SOCKET_ERROR) {
        result.bytesTaken = static_cast<std::size_t>(sent);
        return result;
    }
    const int error = ::WSAGetLastError();
    result.wouldBlock = error == WSAEWOULDBLOCK;
    result.errorCode = result.wouldBlock ? 0 : error;
    return result;
}

platform::ReceiveResult Win32TcpConnection::Receive(char* buffer, std::size_t capacity) {
    platform::ReceiveResult result;
    if (!socket_.IsValid()) {
        result.errorCode = WSAENOTCONN;
        return result;
    }
    // recv into no room returns 0, which would read as the peer's close.
    if (capacity == 0) return result;
    const int received = ::recv(socket_.Get(), buffer, ClampedLength(capacity), 0);
    if (received > 0) {
        result.bytesRead = static_cast<std::size_t>(received);
    } else if (received == 0) {
        result.peerClosed = true;
    } else {
        const int error = ::WSAGetLastError();
        result.wouldBlock = error == WSAEWOULDBLOCK;
        result.errorCode = result.wouldBlock ? 0 : error;
    }
    return result;
}

std::uint32_t Win32TcpConnection::PeerAddress() const { return peerAddress_; }

// closesocket stops further events; a close made by the program raises none.
void Win32TcpConnection::Close() {
    if (!socket_.IsValid()) return;
    const SOCKET closed = socket_.Get();
    socket_.Reset();
    DiscardQueuedEvents(window_, eventMessage_, closed);
}

Win32TcpListener::Win32TcpListener(HWND window, UINT acceptMessage, UINT connectionMessage)
    : window_(window),
      acceptMessage_(acceptMessage),
      connectionMessage_(connectionMessage),
      session_(WinsockSession::Start(&startupError_)) {}

platform::ListenResult Win32TcpListener::Listen(int port, std::uint32_t address) {
    listening_.Reset();
    // A failure names the port that was asked for, so the log says which one could not be used.
    platform::ListenResult result{0, port};
    if (!session_) {
        result.errorCode = startupError_;
        return result;
    }
    if (port < 0 || port > USHRT_MAX) {
        result.errorCode = WSAEINVAL;
        return result;
    }
    ScopedSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in bound{};
    int boundLength = sizeof bound;
    if (!socket.IsValid() || !StartListening(socket.Get(), port, address, window_, acceptMessage_) ||
        ::getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&bound), &boundLength) == SOCKET_ERROR) {
        result.errorCode = ::WSAGetLastError();
        return result;
    }
    listening_ = std::move(socket);
    result.localPort = ntohs(bound.sin_port);
    return result;
}

std::unique_ptr<platform::TcpConnection> Win32TcpListener::Accept() {
    if (!listening_.IsValid()) return nullptr;
    sockaddr_in peer{};
    int peerLength = sizeof peer;
    ScopedSocket accepted(::accept(listening_.Get(), reinterpret_cast<sockaddr*>(&peer), &peerLength));
    if (!accepted.IsValid()) return nullptr;
    KeepAlive(accepted.Get());
    // The accepted socket inherits the listener's selection; it needs its own events.
    if (::WSAAsyncSelect(accepted.Get(), window_, connectionMessage_, FD_READ | FD_WRITE | FD_CLOSE) ==
        SOCKET_ERROR) {
        return nullptr;
    }
    return std::make_unique<Win32TcpConnection>(std::move(accepted), ntohl(peer.sin_addr.s_addr), session_, window_,
                                                connectionMessage_);
}

std::string Win32TcpListener::DescribeError(int errorCode) { return DescribeWinsockError(errorCode); }

}  // namespace ostrilo::win32
