#include "delivery/socket_link.h"

#include <algorithm>
#include <array>
#include <utility>

namespace ostrilo {

namespace {

constexpr char kSentLine[] = "Sent Message to Halvex: ";
constexpr char kFailedLine[] = "Failed to send Message to Halvex: ";
constexpr char kConnectedText[] = "Connected";
constexpr char kNotConnectedText[] = "Not Connected";

}  // namespace

SocketLink::SocketLink(platform::StatusBar& statusBar, LogWriter& log, PeerAdmission* admission)
    : statusBar_(statusBar), log_(log), admission_(admission) {}

void SocketLink::OnConnectionRequest(platform::TcpListener& listener) {
    if (acceptAllowance_ == 0) {
        // Not accepting also stops the requests' events until the tick accepts again.
        acceptPutOff_ = true;
        return;
    }
    --acceptAllowance_;
    std::unique_ptr<platform::TcpConnection> accepted = listener.Accept();
    if (accepted && admission_ && !admission_->Admits(accepted->PeerAddress())) {
        accepted->Close();
        return;
    }
    CloseConnection();
    connection_ = std::move(accepted);
    statusBar_.SetPanelText(kStatusPanel, connection_ ? kConnectedText : kNotConnectedText);
}

void SocketLink::OnReadable() {
    // Halvex has nothing to tell us: whatever arrives is read and thrown away.
    std::array<char, kReadChunkSize> discard;
    for (int chunk = 0; connection_ && chunk < kMaxReadChunksPerEvent; ++chunk) {
        if (readAllowance_ == 0) {
            // Not reading also stops the readable events until the tick reads again.
            readPutOff_ = true;
            return;
        }
        const platform::ReceiveResult result =
            connection_->Receive(discard.data(), std::min(discard.size(), readAllowance_));
        if (result.peerClosed || result.errorCode != 0) {
            OnClosed();
            return;
        }
        if (result.wouldBlock || result.bytesRead == 0) return;
        readAllowance_ -= std::min(result.bytesRead, readAllowance_);
    }
}

void SocketLink::OnTick(platform::TcpListener& listener) {
    readAllowance_ = kReadBytesPerTick;
    acceptAllowance_ = kAcceptsPerTick;
    if (std::exchange(acceptPutOff_, false)) OnConnectionRequest(listener);
    if (std::exchange(readPutOff_, false)) OnReadable();
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

bool SocketLink::Deliver(const std::string& line, const std::string& message) {
    PendingLine entry{line, message, 0};
    if (!connection_) {
        LogOutcome(kFailedLine, entry);
        return false;
    }
    const std::size_t memory = MemoryHeldBy(entry);
    if (pendingMemory_ + memory > kOutgoingLimit) {
        // The peer has stopped reading; holding more would let it grow our memory.
        OnClosed();
        LogOutcome(kFailedLine, entry);
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
    for (const PendingLine& dropped : pending_) LogOutcome(kFailedLine, dropped);
    pending_.clear();
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
