#pragma once

#include <cstdint>

namespace ostrilo::e2e {

// A TCP port that nobody listens on at this moment, so that runs in parallel (and other
// programs) do not meet on one fixed port.
std::uint16_t UnusedTcpPort();

// Holds a TCP port in listening mode from the Linux side for as long as it lives, as
// another program on the plant PC would. When some other process listens on the port
// already, it stays taken all the same and nothing is held here.
class HeldTcpPort {
public:
    explicit HeldTcpPort(std::uint16_t port);
    ~HeldTcpPort();
    HeldTcpPort(const HeldTcpPort&) = delete;
    HeldTcpPort& operator=(const HeldTcpPort&) = delete;

private:
    int socket_ = -1;
};

}  // namespace ostrilo::e2e
