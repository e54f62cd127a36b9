#pragma once

#include <memory>

namespace ostrilo::win32 {

// Holds Winsock initialised (WSAStartup) for as long as any owner keeps it.
class WinsockSession {
public:
    // Null when Winsock could not be initialised.
    static std::shared_ptr<WinsockSession> Start(int* errorCode);
    ~WinsockSession();

    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;

private:
    WinsockSession() = default;
};

}  // namespace ostrilo::win32
