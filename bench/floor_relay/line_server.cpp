#include "floor_relay/line_server.h"

namespace ostrilo::bench {

LineServer::~LineServer() {
    CloseConnection();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
}

bool LineServer::Listen(HWND window, unsigned short port) {
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    return bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
           listen(listener_, SOMAXCONN) == 0 && WSAAsyncSelect(listener_, window, kListenerMessage, FD_ACCEPT) == 0;
}

bool LineServer::OnMessage(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message == kListenerMessage) {
        // The newest peer wins, as in the program.
        CloseConnection();
        connection_ = accept(listener_, nullptr, nullptr);
        if (connection_ != INVALID_SOCKET) WSAAsyncSelect(connection_, window, kConnectionMessage, FD_READ | FD_CLOSE);
        return true;
    }
    if (message != kConnectionMessage) return false;
    if (WSAGETSELECTEVENT(lParam) == FD_READ && connection_ != INVALID_SOCKET) {
        char discarded[4096];
        recv(connection_, discarded, sizeof discarded, 0);
    } else if (WSAGETSELECTEVENT(lParam) == FD_CLOSE || WSAGETSELECTERROR(lParam) != 0) {
        CloseConnection();
    }
    return true;
}

bool LineServer::Send(const std::string& line) const {
    return Connected() && send(connection_, line.data(), static_cast<int>(line.size()), 0) == static_cast<int>(line.size());
}

void LineServer::CloseConnection() {
    if (connection_ == INVALID_SOCKET) return;
    closesocket(connection_);
    connection_ = INVALID_SOCKET;
}

}  // namespace ostrilo::bench
