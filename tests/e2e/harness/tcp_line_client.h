#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace ostrilo::e2e {

// A TCP client from Linux to a port on this host, as Halvex would connect to Ostrilo
// (Wine's sockets are the host's). Reads the peer's output line by line.
class TcpLineClient {
public:
    // Tries until a connection is made or `timeout` has passed (the listener may not be up
    // yet); throws std::runtime_error then.
    TcpLineClient(std::uint16_t port, std::chrono::milliseconds timeout);
    ~TcpLineClient();
    TcpLineClient(TcpLineClient&& other) noexcept;
    TcpLineClient& operator=(TcpLineClient&&) = delete;
    TcpLineClient(const TcpLineClient&) = delete;
    TcpLineClient& operator=(const TcpLineClient&) = delete;

    // The next line without its line feed (a carriage return before it is kept: the bytes
    // are the peer's), or nullopt when none came within `timeout`, the peer closed, or the
    // line grew beyond kMaxLineBytes.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    // Whether the peer closed the connection within `timeout`; data before the close is kept.
    bool WaitForPeerClose(std::chrono::milliseconds timeout);
    bool Send(const std::string& bytes);
    // Bytes received but not yet returned as a line.
    const std::string& Pending() const { return pending_; }

    static constexpr std::size_t kMaxLineBytes = 1 << 20;

private:
    enum class Receive { Data, Closed, TimedOut };
    Receive ReceiveSome(std::chrono::steady_clock::time_point deadline);

    int socket_ = -1;
    bool peerClosed_ = false;
    std::string pending_;
};

}  // namespace ostrilo::e2e
