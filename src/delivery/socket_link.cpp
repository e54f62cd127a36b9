#include "delivery/socket_link.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace ostrilo {

namespace {

constexpr char kSentLine[] = "Sent Message to Halvex: ";
constexpr char kFailedLine[] = "Failed to send Message to Halvex: ";
constexpr char kConnectedText[] = "Connected";
constexpr char kNotConnectedText[] = "Not Connected";

}  // namespace

SocketLink::SocketLink(platform::StatusBar& statusBar, LogWriter& log, MessageHold* hold)
    : statusBar_(statusBar), log_(log), hold_(hold) {}

void SocketLink::OnConnectionRequest(platform::TcpListener& listener) {
    CloseConnection();
    connection_ = listener.Accept();
    statusBar_.SetPanelText(kStatusPanel, connection_ ? kConnectedText : kNotConnectedText);
}

void SocketLink::OnReadable() {
    // Halvex has nothing to tell us: whatever arrives is read and thrown away.
    std::array<char, kReadChunkSize> discard;
    for (int chunk = 0; connection_ && chunk < kMaxReadChunksPerEvent; ++chunk) {
        const platform::ReceiveResult result = connection_->Receive(discard.data(), discard.size());
        if (result.peerClosed || result.errorCode != 0) {
            OnClosed();
            return;
        }
        if (result.wouldBlock || result.bytesRead == 0) return;
    }
}

void SocketLink::OnWritable() {
    if (connection_) Flush();
}

void SocketLink::OnClosed() {
    CloseConnection();
    statusBar_.SetPanelText(kStatusPanel, kNotConnectedText);
}

void SocketLink::OnError() { OnClosed(); }

bool SocketLink::IsConnected() const { return connection_ != nullptr; }

bool SocketLink::HasPendingOutput() const { return !pending_.empty(); }

bool SocketLink::Deliver(const std::string& line, const std::string& message,
                         std::optional<std::int64_t> mayHoldSince) {
    PendingLine entry{line, message, 0, mayHoldSince.has_value() && hold_ != nullptr, mayHoldSince.value_or(0)};
    if (!connection_) {
        pending_.push_back(std::move(entry));
        CloseConnection();
        return false;
    }
    const std::size_t memory = MemoryHeldBy(entry);
    if (pendingMemory_ + memory > kOutgoingLimit) {
        // The peer has stopped reading; holding more would let it grow our memory. The line
        // leaves with those still waiting, behind them.
        pending_.push_back(std::move(entry));
        OnClosed();
        return false;
    }
    pendingMemory_ += memory;
    pending_.push_back(std::move(entry));
    // Always from the front of the queue, so a new line never overtakes waiting ones.
    Flush();
    return connection_ != nullptr;
}

void SocketLink::CloseConnection() {
    if (connection_) {
        connection_->Close();
        connection_.reset();
    }
    std::vector<HeldMessage> toHold;
    for (PendingLine& dropped : pending_) {
        if (dropped.mayHold) {
            toHold.push_back({dropped.heldSince, std::move(dropped.message)});
        } else {
            LogOutcome(kFailedLine, dropped);
        }
    }
    pending_.clear();
    if (!toHold.empty()) hold_->ReturnToFront(std::move(toHold));
    pendingMemory_ = 0;
}

void SocketLink::Flush() {
    while (connection_ && !pending_.empty()) {
        PendingLine& front = pending_.front();
        const std::size_t remaining = front.line.size() - front.bytesSent;
        const platform::SendResult result = connection_->Send(front.line.data() + front.bytesSent, remaining);
        if (result.errorCode != 0) {
            OnClosed();
            return;
        }
        const std::size_t taken = std::min(result.bytesTaken, remaining);
        front.bytesSent += taken;
        if (front.bytesSent == front.line.size()) {
            LogOutcome(kSentLine, front);
            pendingMemory_ -= MemoryHeldBy(front);
            pending_.pop_front();
        } else if (result.wouldBlock || taken == 0) {
            return;  // the writable event resumes here
        }
    }
}

std::size_t SocketLink::MemoryHeldBy(const PendingLine& pending) {
    return sizeof(PendingLine) + pending.line.size() + pending.message.size();
}

void SocketLink::LogOutcome(const char* prefix, const PendingLine& pending) {
    log_.WriteLog(prefix + pending.message);
}

}  // namespace ostrilo
