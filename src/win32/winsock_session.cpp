#include "win32/winsock_session.h"

#include <winsock2.h>

namespace ostrilo::win32 {

std::shared_ptr<WinsockSession> WinsockSession::Start(int* errorCode) {
    WSADATA data{};
    const int result = ::WSAStartup(MAKEWORD(2, 2), &data);
    if (errorCode != nullptr) *errorCode = result;
    if (result != 0) return nullptr;
    return std::shared_ptr<WinsockSession>(new WinsockSession());
}

WinsockSession::~WinsockSession() { ::WSACleanup(); }

}  // namespace ostrilo::win32
