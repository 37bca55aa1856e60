#include "Loopback.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

sockaddr_in loopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int connectTo(int fd, std::uint16_t port) {
    const sockaddr_in address = loopbackAddress(port);
    return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0 : errno;
}

} // namespace

ConnectStart startLoopbackConnect(std::uint16_t port) {
    ConnectStart start{FileDescriptor(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)), 0};
    start.error = start.socket.get() < 0 ? errno : connectTo(start.socket.get(), port);
    return start;
}

int pendingConnectError(int fd) {
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 ? error : errno;
}

bool acceptsConnections(std::uint16_t port) {
    const FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    return socket.get() >= 0 && connectTo(socket.get(), port) == 0;
}
