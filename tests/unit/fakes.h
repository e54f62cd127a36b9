#pragma once
// Small stand-ins for the tick's and the link's surroundings, recording what they were asked.

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "delivery/halvex_gateway.h"
#include "logging/log_writer.h"
#include "logging/operator_alerts.h"
#include "platform/clock.h"
#include "platform/durable_files.h"
#include "platform/event_log.h"
#include "platform/monotonic_clock.h"
#include "platform/status_bar.h"
#include "platform/tcp.h"
#include "platform/wall_clock.h"
#include "platform/work_rounds.h"
#include "supervision/wincc_bridge.h"

namespace ostrilo::fakes {

using Lines = std::vector<std::string>;
using Count = std::optional<std::int16_t>;

struct Log : LogWriter {
    Lines lines;
    void WriteLog(const std::string& message) override { lines.push_back(message); }
};

struct StatusBar : platform::StatusBar {
    std::map<int, std::string> panels;
    bool SetPanelText(int panel, const std::string& text) override { return panels[panel] = text, true; }
};

// The local date and time, wherever the test puts it.
struct Clock : platform::Clock {
    platform::LocalDateTime now{2024, 3, 15, 12, 0, 0};
    platform::LocalDateTime Now() override { return now; }
    double SecondsSinceMidnight() override { return 0; }
    std::string TimeSeparator() override { return ":"; }
};

// Copies what fits, ends it with a zero even past the stated capacity and reports whatever
// count it is told to, as a careless library might.
struct Bridge : WinCCBridge {
    std::string project;
    std::deque<std::string> waiting;
    std::optional<Count> lyingCount;  // inner empty: the call fails
    std::int32_t errorWord = 0;
    Count errorResult = 0;
    Lines calls;
    std::size_t CallsTo(const std::string& name) const { return std::count(calls.begin(), calls.end(), name); }

    std::optional<std::int32_t> GetDLLVersion() override { return 2; }
    Count ConnectWinCCDMProc() override { return calls.push_back("Connect"), 1; }
    bool DisconnectWinCCDMProc() override { return true; }
    bool StartWinCCMsgService() override { return true; }
    bool StopWinCCMsgService() override { return calls.push_back("Stop"), true; }
    Count GetWinCCRuntimeProject(char* buffer, std::int16_t capacity) override {
        return calls.push_back("Project"), Fill(project, buffer, capacity);
    }
    Count GetWinCCCmnError(std::int32_t (&words)[5], char*, std::int16_t) override {
        if (errorResult) words[0] = errorWord;
        return errorResult;
    }
    Count GetWinCCMsgServiceMessage(char* buffer, std::int16_t capacity) override {
        calls.push_back("Message");
        if (lyingCount || waiting.empty()) return lyingCount.value_or(0);
        const std::string message = waiting.front();
        waiting.pop_front();
        return Fill(message, buffer, capacity);
    }
    static std::int16_t Fill(const std::string& text, char* buffer, std::int16_t capacity) {
        const std::size_t copied = std::min<std::size_t>(text.size(), static_cast<std::size_t>(capacity));
        std::memcpy(buffer, text.data(), copied);
        buffer[copied] = '\0';
        return static_cast<std::int16_t>(text.size());
    }
};

struct Halvex : HalvexGateway {
    Lines sent;
    std::function<void()> duringSend = [] {};
    using HalvexGateway::SendToHalvex;
    bool SendToHalvex(const std::string& message, WhenUndeliverable) override {
        return sent.push_back(message), duringSend(), true;
    }
    bool IsHalvexRunning() override { return false; }
};

// What the peer sees of a connection: the socket takes `budget` bytes before it would block;
// inbound data never ends. Outlives the link's hold of the connection.
struct Peer {
    std::string wire;
    std::size_t budget = std::string::npos;
    int receives = 0;
    bool closed = false;
    std::uint32_t address = 0x7F000001;  // 127.0.0.1
};

struct Listener : platform::TcpListener {
    struct Connection : platform::TcpConnection {
        std::shared_ptr<Peer> peer;
        explicit Connection(std::shared_ptr<Peer> p) : peer(std::move(p)) {}
        platform::SendResult Send(const char* data, std::size_t size) override {
            const std::size_t taken = std::min(size, peer->budget);
            peer->budget -= peer->budget == std::string::npos ? 0 : taken;
            peer->wire.append(data, taken);
            return {taken, taken < size, 0};
        }
        platform::ReceiveResult Receive(char*, std::size_t capacity) override {
            return ++peer->receives, platform::ReceiveResult{capacity, false, false, 0};
        }
        void Close() override { peer->closed = true; }
        std::uint32_t PeerAddress() const override { return peer->address; }
    };
    std::shared_ptr<Peer> next = std::make_shared<Peer>();
    int accepts = 0;
    bool resets = false;  // each request is gone before it is accepted
    // The peer whose connection `link` takes (or puts off) now.
    template <typename Link>
    std::shared_ptr<Peer> ConnectTo(Link& link) {
        auto peer = next;
        link.OnConnectionRequest(*this);
        return peer;
    }
    int listenError = 0;
    int listens = 0;
    platform::ListenResult Listen(int port, std::uint32_t) override {
        return ++listens, platform::ListenResult{listenError, port};
    }
    std::unique_ptr<platform::TcpConnection> Accept() override {
        if (++accepts, resets) return nullptr;
        return std::make_unique<Connection>(std::exchange(next, std::make_shared<Peer>()));
    }
    std::string DescribeError(int code) override { return "error " + std::to_string(code); }
};

struct Rounds : platform::WorkRounds {
    void RequestRound() override { ++requested; }
    int requested = 0;
};

// A folder in memory: `writable` false refuses writes (a read-only file or folder, a full
// disk), `locked` also renames and removals (another program holds the file open).
struct DurableFiles : platform::DurableFiles {
    bool writable = true;
    bool locked = false;
    bool readable = true;
    std::map<std::string, std::string> files;
    bool MakeFolder(const std::string&) override { return writable; }
    std::optional<std::string> ReadFileUpTo(const std::string& path, std::size_t maxBytes) override {
        const auto found = files.find(path);
        if (found == files.end() || !readable) return std::nullopt;
        return found->second.substr(0, maxBytes + 1);
    }
    bool AppendAndFlush(const std::string& path, std::string_view bytes) override {
        return writable && !locked && (files[path] += bytes, true);
    }
    int replacements = 0;
    bool ReplaceWholeFile(const std::string& path, std::string_view bytes) override {
        return writable && !locked && (files[path] = bytes, ++replacements);
    }
    bool RenameFile(const std::string& from, const std::string& to) override {
        return !locked && files.count(from) && (files[to] = files[from], files.erase(from), true);
    }
    bool RemoveFile(const std::string& path) override { return !locked && files.erase(path); }
    bool Exists(const std::string& path) override { return files.count(path); }
};

struct EventLog : platform::EventLog {
    std::vector<std::uint32_t> ids;
    Lines texts;
    void Write(platform::EventLevel, std::uint32_t eventId, const std::string& text) override {
        ids.push_back(eventId);
        texts.push_back(text);
    }
};

struct MonotonicClock : platform::MonotonicClock {
    std::int64_t now = 0;
    std::int64_t Milliseconds() override { return now; }
};

// The real alerts, written to a recording event log and timed by a clock the test moves; the
// parts built beside them share that clock, as they do in the program.
struct Alerts {
    EventLog eventLog;
    MonotonicClock clock;
    OperatorAlerts alerts{eventLog, clock};
};

struct WallClock : platform::WallClock {
    std::int64_t now = 1'800'000'000;
    std::int64_t SecondsSinceEpoch() override { return now; }
};

}  // namespace ostrilo::fakes
