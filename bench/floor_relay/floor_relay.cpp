// The relay floor: per tick it makes the same calls into the same outside libraries as
// Ostrilo.exe (the WinCC check once a second, up to 20 messages, both presence probes)
// and per alarm the same outside I/O (one SetCommandEntry per running Halvex library or
// one socket line, and one log line per outcome: a day-file append and a line in the
// window's list). It shows what the program's window must show, a list and a status bar
// with a clock, and keeps no configuration.
// Usage: floor_relay.exe library | floor_relay.exe socket PORT

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/timer_window.h"
#include "floor_relay/day_log.h"
#include "floor_relay/line_server.h"
#include "floor_relay/log_view.h"
#include "floor_relay/outside_libraries.h"

namespace ostrilo::bench {
namespace {

constexpr std::int16_t kBufferLength = 8192;
constexpr int kMessagesPerTick = 20;
constexpr int kTicksPerCheck = 10;

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

class Relay {
public:
    Relay(OutsideLibraries libraries, LineServer* socket, LogView& view)
        : libraries_(libraries), socket_(socket), log_(ProgramFolder() + "LogFiles", view), buffer_(kBufferLength) {}

    void Start() {
        libraries_.getDllVersion();
        libraries_.connect();
    }

    void Tick() {
        if (ticksSinceCheck_++ % kTicksPerCheck == 0) CheckWinCC();
        if (winCCRunning_) RelayMessages();
        libraries_.halvex2.ReportsRunning();
        libraries_.halvex3.ReportsRunning();
    }

private:
    void CheckWinCC() {
        const bool wasRunning = winCCRunning_;
        if (wasRunning) libraries_.startMessageService();
        winCCRunning_ = libraries_.getRuntimeProject(buffer_.data(), kBufferLength) > 0;
        if (!winCCRunning_) {
            std::int32_t words[5] = {};
            libraries_.getCommonError(&words[0], &words[1], &words[2], &words[3], &words[4], buffer_.data(),
                                      kBufferLength);
        }
        if (firstCheck_ && winCCRunning_) libraries_.startMessageService();
        firstCheck_ = false;
    }

    void RelayMessages() {
        for (int relayed = 0; relayed < kMessagesPerTick; ++relayed) {
            const std::int16_t count = libraries_.getMessage(buffer_.data(), kBufferLength, 0);
            if (count <= 0) return;
            std::string message;
            for (int index = 0; index < count && index < kBufferLength; ++index) {
                if (buffer_[index] != '\r' && buffer_[index] != '\n') message += buffer_[index];
            }
            socket_ ? SendLine(message) : QueueCommand(message);
        }
    }

    void SendLine(const std::string& message) {
        const bool sent = socket_->Send(message + "||24\n");
        log_.Append((sent ? "Sent Message to Halvex: " : "Failed to send Message to Halvex: ") + message);
    }

    void QueueCommand(const std::string& message) {
        const std::string command = "TA:" + message + "||24";
        const bool queued2 = QueueWith(libraries_.halvex2, command, "Queued Message to Halvex using Halvex2.DLL: " + message);
        const bool queued3 = QueueWith(libraries_.halvex3, command, "Queued Message to Halvex using Halvex3.DLL: " + message);
        if (!queued2 && !queued3) log_.Append("Failed to queued Message to Halvex (not running?): " + message);
    }

    bool QueueWith(const HalvexLibrary& library, const std::string& command, const std::string& line) {
        if (!library.ReportsRunning()) return false;
        library.setCommandEntry(command.c_str(), 0);
        log_.Append(line);
        return true;
    }

    OutsideLibraries libraries_;
    LineServer* socket_;
    DayLog log_;
    std::vector<char> buffer_;
    unsigned ticksSinceCheck_ = 0;
    bool firstCheck_ = true;
    bool winCCRunning_ = false;
};

int Run(HINSTANCE instance, int argc, char** argv) {
    const bool bySocket = argc == 3 && std::strcmp(argv[1], "socket") == 0;
    if (!bySocket && !(argc == 2 && std::strcmp(argv[1], "library") == 0)) return 2;

    WSADATA winsock{};
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) return 1;
    const OutsideLibraries libraries = LoadOutsideLibraries();
    if (!libraries.BridgePresent()) return 1;

    LineServer server;
    LogView view;
    Relay relay(libraries, bySocket ? &server : nullptr, view);
    relay.Start();
    TimerWindowHandlers handlers;
    // The list is drawn after the tick's lines, so its paint comes before the next tick.
    handlers.onTick = [&] {
        relay.Tick();
        view.Tick();
    };
    handlers.onMessage = [&server](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return server.OnMessage(window, message, wParam, lParam);
    };
    const auto port = static_cast<unsigned short>(bySocket ? std::atoi(argv[2]) : 0);
    const int status = RunTimerWindow(instance, L"Bench floor - relay", handlers,
                                      [&](HWND window) {
        return view.Create(window) && (!bySocket || server.Listen(window, port));
    });
    WSACleanup();
    return status;
}

}  // namespace
}  // namespace ostrilo::bench

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return ostrilo::bench::Run(instance, __argc, __argv);
}
