#include "harness/tcp_ports.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace ostrilo::e2e {

namespace {

sockaddr_in AnyAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    return address;
}

int NewTcpSocket() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    return fd;
}

}  // namespace

std::uint16_t UnusedTcpPort() {
    const int fd = NewTcpSocket();
    sockaddr_in address = AnyAddress(0);
    socklen_t length = sizeof address;
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    const int error = errno;
    close(fd);
    if (!bound) throw std::runtime_error(std::string("no free TCP port: ") + std::strerror(error));
    return ntohs(address.sin_port);
}

HeldTcpPort::HeldTcpPort(std::uint16_t port) : socket_(NewTcpSocket()) {
    // Connections of earlier runs lingering in TIME_WAIT must not keep us from holding it.
    const int reuse = 1;
    setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    const sockaddr_in address = AnyAddress(port);
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && listen(socket_, 1) == 0) {
        return;
    }
    const int error = errno;
    close(socket_);
    socket_ = -1;
    if (error != EADDRINUSE) {
        throw std::runtime_error("cannot hold TCP port " + std::to_string(port) + ": " + std::strerror(error));
    }
}

HeldTcpPort::~HeldTcpPort() {
    if (socket_ >= 0) close(socket_);
}

}  // namespace ostrilo::e2e
