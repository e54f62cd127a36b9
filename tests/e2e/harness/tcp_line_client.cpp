#include "harness/tcp_line_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>

namespace ostrilo::e2e {

namespace {

using Clock = std::chrono::steady_clock;

int ConnectOnce(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    close(fd);
    return -1;
}

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

TcpLineClient::TcpLineClient(std::uint16_t port, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while ((socket_ = ConnectOnce(port)) < 0) {
        if (Clock::now() >= deadline) {
            throw std::runtime_error("no connection to 127.0.0.1:" + std::to_string(port) + " within " +
                                     std::to_string(timeout.count()) + " ms");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

TcpLineClient::~TcpLineClient() {
    if (socket_ >= 0) close(socket_);
}

TcpLineClient::TcpLineClient(TcpLineClient&& other) noexcept
    : socket_(other.socket_), peerClosed_(other.peerClosed_), pending_(std::move(other.pending_)) {
    other.socket_ = -1;
}

TcpLineClient::Receive TcpLineClient::ReceiveSome(Clock::time_point deadline) {
    if (peerClosed_) return Receive::Closed;
    pollfd ready{socket_, POLLIN, 0};
    const int polled = poll(&ready, 1, RemainingMs(deadline));
    if (polled <= 0) return Receive::TimedOut;
    char buffer[4096];
    const ssize_t got = recv(socket_, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) return Receive::Data;
    if (got <= 0) {
        peerClosed_ = true;
        return Receive::Closed;
    }
    pending_.append(buffer, static_cast<std::size_t>(got));
    return Receive::Data;
}

std::optional<std::string> TcpLineClient::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        if (pending_.size() > kMaxLineBytes || Clock::now() > deadline) return std::nullopt;
        if (ReceiveSome(deadline) != Receive::Data) return std::nullopt;
    }
}

bool TcpLineClient::WaitForPeerClose(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        // Bounded even against a peer that keeps sending: the buffer is not ours to grow.
        if (pending_.size() > kMaxLineBytes) pending_.erase(0, pending_.size() - kMaxLineBytes);
        switch (ReceiveSome(deadline)) {
        case Receive::Closed: return true;
        case Receive::TimedOut: return false;
        case Receive::Data: break;
        }
        if (Clock::now() > deadline) return false;
    }
}

bool TcpLineClient::Send(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t put = send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        sent += static_cast<std::size_t>(put);
    }
    return true;
}

}  // namespace ostrilo::e2e
