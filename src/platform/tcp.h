#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ostrilo::platform {

// Results of socket operations are values: `errorCode` is the platform's error number
// (a Winsock WSAE* code on Windows), 0 on success.

struct SendResult {
    std::size_t bytesTaken = 0;  // how many bytes the socket accepted now
    bool wouldBlock = false;     // the rest must wait for the connection to become writable
    int errorCode = 0;           // non-zero: the connection failed
};

struct ReceiveResult {
    std::size_t bytesRead = 0;
    bool wouldBlock = false;     // nothing more to read now
    bool peerClosed = false;     // orderly close by the peer
    int errorCode = 0;
};

// One accepted TCP connection. Non-blocking: readiness arrives as events from the
// window system (readable, writable, closed).
class TcpConnection {
public:
    virtual ~TcpConnection() = default;
    virtual SendResult Send(const char* data, std::size_t size) = 0;
    virtual ReceiveResult Receive(char* buffer, std::size_t capacity) = 0;
    virtual void Close() = 0;
    // The peer's IPv4 address, host order (10.1.2.3 is 0x0A010203).
    virtual std::uint32_t PeerAddress() const = 0;
};

struct ListenResult {
    int errorCode = 0;
    int localPort = 0;           // the port actually bound, read back from the socket
};

// Listening on every interface of the PC.
constexpr std::uint32_t kAnyAddress = 0;

// The listening socket.
class TcpListener {
public:
    virtual ~TcpListener() = default;
    // `address`, host order, is the PC's own address to listen at, or kAnyAddress.
    virtual ListenResult Listen(int port, std::uint32_t address) = 0;
    // The pending connection, or null when accepting failed.
    virtual std::unique_ptr<TcpConnection> Accept() = 0;
    // Description text of a platform error number, for the log.
    virtual std::string DescribeError(int errorCode) = 0;
};

}  // namespace ostrilo::platform
