#pragma once

#include <winsock2.h>

#include <string>

namespace ostrilo::bench {

constexpr UINT kListenerMessage = WM_APP + 1;
constexpr UINT kConnectionMessage = WM_APP + 2;

// The socket side of the relay: listens on a port, keeps the newest accepted connection,
// drains and ignores what the peer sends, and writes lines to it.
class LineServer {
public:
    LineServer() = default;
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    bool Listen(HWND window, unsigned short port);
    // Handles a socket message of `window`; false when the message is not a socket event.
    bool OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool Connected() const { return connection_ != INVALID_SOCKET; }
    bool Send(const std::string& line) const;

private:
    void CloseConnection();

    SOCKET listener_ = INVALID_SOCKET;
    SOCKET connection_ = INVALID_SOCKET;
};

}  // namespace ostrilo::bench
