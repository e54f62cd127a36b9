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

SocketLink::SocketLink(platform::StatusBar& statusBar, LogWriter& log, WorkBudget& budget,
                       platform::WorkRounds& rounds, PeerAdmission* admission, MessageHold* hold)
    : statusBar_(statusBar), log_(log), budget_(budget), rounds_(rounds), admission_(admission), hold_(hold) {}

void SocketLink::OnConnectionRequest(platform::TcpListener& listener) {
    if (acceptAllowance_ == 0) {
        // Not accepting also stops the requests' events until the tick accepts again.
        acceptPutOff_ = true;
        return;
    }
    --acceptAllowance_;
    std::unique_ptr<platform::TcpConnection> accepted = listener.Accept();
    // A request that was reset before we took it yields nothing, and must cost Halvex nothing.
    if (!accepted) return;
    if (admission_ && !admission_->Admits(accepted->PeerAddress())) {
        accepted->Close();
        return;
    }
    CloseConnection();
    connection_ = std::move(accepted);
    statusBar_.SetPanelText(kStatusPanel, kConnectedText);
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
    waitsForPeer_ = false;
    Flush();
}

void SocketLink::OnClosed() {
    LoseConnection();
    Flush();
}

void SocketLink::OnError() { OnClosed(); }

void SocketLink::ContinueBacklog() { Flush(); }

bool SocketLink::IsConnected() const { return connection_ != nullptr; }

bool SocketLink::HasPendingOutput() const { return !pending_.empty(); }

bool SocketLink::WaitsForPeer() const { return waitsForPeer_; }

bool SocketLink::Deliver(const std::string& line, const std::string& message,
                         std::optional<std::int64_t> mayHoldSince, bool handedOutByHold) {
    const bool mayHold = mayHoldSince.has_value() && hold_ != nullptr;
    PendingLine entry{line, message, 0, mayHold, mayHoldSince.value_or(0), mayHold && handedOutByHold};
    const std::size_t memory = MemoryHeldBy(entry);
    pending_.push_back(std::move(entry));
    // Queued first, so that a drop gives it up behind the lines before it, never ahead.
    if (connection_ && pendingMemory_ + memory > kOutgoingLimit) {
        // The peer has stopped reading; holding more would let it grow our memory.
        LoseConnection();
    } else if (!connection_) {
        // Without a connection every waiting line is one to fail, this one last.
        droppedLines_ = pending_.size();
        HoldDroppedLines();
    } else {
        pendingMemory_ += memory;
    }
    const bool taken = connection_ != nullptr;
    Flush();
    KeepWaitingLine();
    return taken && connection_ != nullptr;
}

void SocketLink::CloseConnection() {
    DropConnection();
    Flush();
}

void SocketLink::LoseConnection() {
    DropConnection();
    statusBar_.SetPanelText(kStatusPanel, kNotConnectedText);
}

void SocketLink::DropConnection() {
    if (connection_) {
        connection_->Close();
        connection_.reset();
    }
    droppedLines_ = pending_.size();
    pendingMemory_ = 0;
    waitsForPeer_ = false;
    HoldDroppedLines();
}

void SocketLink::KeepWaitingLine() {
    // Lines before it leave first and a dropped one leaves the link: still here, it is last.
    if (pending_.size() == droppedLines_) return;
    PendingLine& waiting = pending_.back();
    if (!waiting.mayHold || waiting.inSpool) return;
    waiting.inSpool = true;
    hold_->KeepOutgoing({waiting.heldSince, waiting.message});
}

void SocketLink::HoldDroppedLines() {
    const auto dropped = pending_.begin() + static_cast<std::ptrdiff_t>(droppedLines_);
    if (std::none_of(pending_.begin(), dropped, [](const PendingLine& line) { return line.mayHold; })) return;
    // Those in the spool are the hold's own already; it takes them back itself.
    std::vector<HeldMessage> toHold;
    std::deque<PendingLine> toFail;
    for (std::size_t index = 0; index < droppedLines_; ++index) {
        PendingLine& dropped = pending_[index];
        if (dropped.inSpool) continue;
        if (dropped.mayHold) {
            toHold.push_back({dropped.heldSince, std::move(dropped.message)});
        } else {
            toFail.push_back(std::move(dropped));
        }
    }
    pending_.erase(pending_.begin(), dropped);
    pending_.insert(pending_.begin(), std::make_move_iterator(toFail.begin()), std::make_move_iterator(toFail.end()));
    droppedLines_ = toFail.size();
    hold_->ReturnToFront(std::move(toHold));
}

void SocketLink::Flush() {
    // Always from the front, so a line never overtakes earlier ones. The first line is
    // handled whatever the budget, so a line delivered with nothing waiting leaves at once.
    for (bool first = true; !pending_.empty(); first = false) {
        if (!first && budget_.Spent()) {
            rounds_.RequestRound();
            return;
        }
        if (droppedLines_ > 0) {
            FailFront();
        } else if (!SendFront()) {
            return;  // the writable event resumes here
        }
    }
}

bool SocketLink::SendFront() {
    if (!connection_ || waitsForPeer_) return false;
    PendingLine& front = pending_.front();
    const std::size_t remaining = front.line.size() - front.bytesSent;
    const platform::SendResult result = connection_->Send(front.line.data() + front.bytesSent, remaining);
    if (result.errorCode != 0) {
        LoseConnection();
        return true;  // the waiting lines now fail, this round and the next
    }
    const std::size_t taken = std::min(result.bytesTaken, remaining);
    front.bytesSent += taken;
    if (front.bytesSent < front.line.size()) {
        waitsForPeer_ = result.wouldBlock;
        return taken > 0 && !result.wouldBlock;
    }
    LogOutcome(kSentLine, front);
    if (front.inSpool) hold_->Delivered();
    pendingMemory_ -= MemoryHeldBy(front);
    pending_.pop_front();
    budget_.Spend();
    return true;
}

void SocketLink::FailFront() {
    LogOutcome(kFailedLine, pending_.front());
    pending_.pop_front();
    --droppedLines_;
    budget_.Spend();
}

std::size_t SocketLink::MemoryHeldBy(const PendingLine& pending) {
    return sizeof(PendingLine) + pending.line.size() + pending.message.size();
}

void SocketLink::LogOutcome(const char* prefix, const PendingLine& pending) {
    log_.WriteLog(prefix + pending.message);
}

}  // namespace ostrilo
