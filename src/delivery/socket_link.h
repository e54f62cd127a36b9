#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "delivery/peer_admission.h"
#include "delivery/message_hold.h"
#include "logging/log_writer.h"
#include "platform/status_bar.h"
#include "platform/tcp.h"
#include "platform/work_rounds.h"
#include "scheduling/work_budget.h"

namespace ostrilo {

// The one accepted connection from Halvex, with the lines still waiting for the socket
// to take them. Every line handed to Deliver ends in exactly one log line: "Sent ..."
// once the socket has taken all of it, or "Failed ..." when it is dropped. The outcomes
// are logged in the order the lines were delivered, as many per window message as the
// work budget allows; the rest follow in later rounds. With the hold on, lines that may
// be held go back to it, in order, instead of failing.
class SocketLink {
public:
    static constexpr int kStatusPanel = 1;
    // Memory the waiting lines may hold; a peer that lets them grow beyond it counts
    // as gone and the link is dropped.
    static constexpr std::size_t kOutgoingLimit = 1024 * 1024;
    // Inbound data read per readable event; the platform signals again when more is left.
    static constexpr std::size_t kReadChunkSize = 4096;
    static constexpr int kMaxReadChunksPerEvent = 64;
    // Inbound data read between two timer ticks. Readable events come as fast as a peer
    // sends, and the timer's turn comes only when no other event waits: past this, reading
    // waits for the tick, so a flood cannot hold up the alarms.
    static constexpr std::size_t kReadBytesPerTick = 1024 * 1024;
    // Connections taken between two ticks, for the same reason: a host that connects as
    // fast as it can, refused or not, must not hold up the alarms either.
    static constexpr int kAcceptsPerTick = 20;

    // Without `admission` every peer may take the link; without `hold` the lines of a
    // dropped link fail.
    SocketLink(platform::StatusBar& statusBar, LogWriter& log, WorkBudget& budget, platform::WorkRounds& rounds,
               PeerAdmission* admission = nullptr, MessageHold* hold = nullptr);
    SocketLink(const SocketLink&) = delete;
    SocketLink& operator=(const SocketLink&) = delete;

    // The newest admitted request wins: the open connection is dropped for it. A refused
    // peer is closed at once, and like a request that yields no connection, leaves the
    // open connection alone.
    void OnConnectionRequest(platform::TcpListener& listener);
    void OnReadable();
    // A timer tick: inbound data may be read and connections taken again, and what was
    // put off for it resumes.
    void OnTick(platform::TcpListener& listener);
    void OnWritable();
    void OnClosed();
    void OnError();
    // A later round for the lines the last window message had no budget left for.
    void ContinueBacklog();

    bool IsConnected() const;
    // Lines without their outcome yet, of this connection or of one already dropped.
    bool HasPendingOutput() const;
    // The socket took no more; it signals writable when the peer has read.
    bool WaitsForPeer() const;

    // Hands `line` to the connection, or queues it behind earlier lines; `message`
    // names it in the log. With `mayHoldSince`, a line the link cannot send goes to the
    // hold as held since then, and while it waits for the socket it is kept in the hold's
    // spool, unless `handedOutByHold` says it is there already. False when the message
    // was dropped or held.
    bool Deliver(const std::string& line, const std::string& message,
                 std::optional<std::int64_t> mayHoldSince = std::nullopt, bool handedOutByHold = false);

    // Ends the connection; lines still waiting are held, or logged as failed, in rounds.
    void CloseConnection();

private:
    struct PendingLine {
        std::string line;
        std::string message;
        std::size_t bytesSent = 0;
        bool mayHold = false;
        std::int64_t heldSince = 0;
        bool inSpool = false;  // the hold counts it as out for delivery
    };

    static std::size_t MemoryHeldBy(const PendingLine& pending);

    // Closes the socket; every line still waiting becomes one to fail.
    void DropConnection();
    // Hands the dropped lines that may be held back to the hold at once, in order.
    void HoldDroppedLines();
    // The line just delivered waits for the socket: with the hold on it is spooled meanwhile.
    void KeepWaitingLine();
    // The same when the peer ended it or failed it: the panel shows it.
    void LoseConnection();
    void Flush();
    bool SendFront();
    void FailFront();
    void LogOutcome(const char* prefix, const PendingLine& pending);

    platform::StatusBar& statusBar_;
    LogWriter& log_;
    WorkBudget& budget_;
    platform::WorkRounds& rounds_;
    PeerAdmission* admission_;
    MessageHold* hold_;
    std::unique_ptr<platform::TcpConnection> connection_;
    std::size_t readAllowance_ = kReadBytesPerTick;
    bool readPutOff_ = false;
    int acceptAllowance_ = kAcceptsPerTick;
    bool acceptPutOff_ = false;
    std::deque<PendingLine> pending_;
    // The first lines of `pending_` belong to a dropped connection and wait only for
    // their failure line; the peer's memory bound counts the others.
    std::size_t droppedLines_ = 0;
    std::size_t pendingMemory_ = 0;
    bool waitsForPeer_ = false;
};

}  // namespace ostrilo
