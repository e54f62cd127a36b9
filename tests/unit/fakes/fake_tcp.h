#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/tcp.h"
#include "platform/work_rounds.h"

namespace ostrilo::testing {

// What the peer sees of one connection, kept alive after the link has dropped it.
struct PeerView {
    std::string wire;                        // every byte the socket took, in order
    std::size_t sendBudget = std::string::npos;  // bytes the socket takes before it would block
    int sendError = 0;
    std::size_t inboundBytes = 0;            // data waiting to be read; npos: never ends
    bool peerClosedAfterInbound = false;
    int receiveCalls = 0;
    bool closed = false;
};

class FakeConnection : public platform::TcpConnection {
public:
    static constexpr int kRunawayReads = 10000;
    static constexpr int kRunawayReadError = -1;

    explicit FakeConnection(std::shared_ptr<PeerView> peer) : peer_(std::move(peer)) {}

    platform::SendResult Send(const char* data, std::size_t size) override {
        if (peer_->sendError != 0) return {0, false, peer_->sendError};
        const std::size_t taken = std::min(size, peer_->sendBudget);
        if (peer_->sendBudget != std::string::npos) peer_->sendBudget -= taken;
        peer_->wire.append(data, taken);
        return {taken, taken < size, 0};
    }

    platform::ReceiveResult Receive(char* buffer, std::size_t capacity) override {
        // A reader that never stops would hang the test; fail the connection instead.
        if (++peer_->receiveCalls > kRunawayReads) return {0, false, false, kRunawayReadError};
        if (peer_->inboundBytes == 0) return {0, !peer_->peerClosedAfterInbound, peer_->peerClosedAfterInbound, 0};
        const std::size_t count = std::min(capacity, peer_->inboundBytes);
        std::fill_n(buffer, count, 'x');
        if (peer_->inboundBytes != std::string::npos) peer_->inboundBytes -= count;
        return {count, false, false, 0};
    }

    void Close() override { peer_->closed = true; }

private:
    std::shared_ptr<PeerView> peer_;
};

// Hands out one prepared connection per request; a request with none prepared fails.
class FakeListener : public platform::TcpListener {
public:
    std::shared_ptr<PeerView> PrepareConnection() {
        auto peer = std::make_shared<PeerView>();
        prepared_.push_back(peer);
        return peer;
    }

    platform::ListenResult Listen(int port) override {
        listenedPorts.push_back(port);
        return {0, port};
    }

    std::unique_ptr<platform::TcpConnection> Accept() override {
        if (prepared_.empty()) return nullptr;
        auto peer = prepared_.front();
        prepared_.erase(prepared_.begin());
        return std::make_unique<FakeConnection>(peer);
    }

    std::string DescribeError(int errorCode) override { return "error " + std::to_string(errorCode); }

    std::vector<int> listenedPorts;

private:
    std::vector<std::shared_ptr<PeerView>> prepared_;
};

struct CountingRounds : platform::WorkRounds {
    void RequestRound() override { ++requested; }
    int requested = 0;
};

}  // namespace ostrilo::testing
