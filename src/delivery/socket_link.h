#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "delivery/message_hold.h"
#include "logging/log_writer.h"
#include "platform/status_bar.h"
#include "platform/tcp.h"

namespace ostrilo {

// The one accepted connection from Halvex, with the lines still waiting for the socket
// to take them. Every line handed to Deliver ends in exactly one log line: "Sent ..."
// once the socket has taken all of it, or "Failed ..." when it is dropped; with the hold
// on, a line that may be held goes back to the hold instead of failing.
class SocketLink {
public:
    static constexpr int kStatusPanel = 1;
    // Memory the waiting lines may hold; a peer that lets them grow beyond it counts
    // as gone and the link is dropped.
    static constexpr std::size_t kOutgoingLimit = 1024 * 1024;
    // Inbound data read per readable event; the platform signals again when more is left.
    static constexpr std::size_t kReadChunkSize = 4096;
    static constexpr int kMaxReadChunksPerEvent = 64;

    // Lines that may be held go back to `hold` when the link cannot take them.
    SocketLink(platform::StatusBar& statusBar, LogWriter& log, MessageHold* hold = nullptr);
    SocketLink(const SocketLink&) = delete;
    SocketLink& operator=(const SocketLink&) = delete;

    // The newest request wins: an open connection is dropped before accepting.
    void OnConnectionRequest(platform::TcpListener& listener);
    void OnReadable();
    void OnWritable();
    void OnClosed();
    void OnError();

    bool IsConnected() const;
    bool HasPendingOutput() const;

    // Hands `line` to the connection, or queues it behind earlier lines; `message`
    // names it in the log. With `mayHoldSince`, a line the link cannot take goes to the
    // hold as held since then. False when the message was dropped or held.
    bool Deliver(const std::string& line, const std::string& message,
                 std::optional<std::int64_t> mayHoldSince = std::nullopt);

    // Ends the connection; lines still waiting are held or logged as failed.
    void CloseConnection();

private:
    struct PendingLine {
        std::string line;
        std::string message;
        std::size_t bytesSent = 0;
        bool mayHold = false;
        std::int64_t heldSince = 0;
    };

    static std::size_t MemoryHeldBy(const PendingLine& pending);

    void Flush();
    void LogOutcome(const char* prefix, const PendingLine& pending);

    platform::StatusBar& statusBar_;
    LogWriter& log_;
    MessageHold* hold_;
    std::unique_ptr<platform::TcpConnection> connection_;
    std::deque<PendingLine> pending_;
    std::size_t pendingMemory_ = 0;
};

}  // namespace ostrilo
