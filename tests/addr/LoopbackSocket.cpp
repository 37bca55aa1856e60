#include "LoopbackSocket.h"

#include "support/LoopbackAddress.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace {
[[noreturn]] void failWith(const char* operation) {
    throw std::system_error(errno, std::generic_category(), operation);
}
} // namespace

LoopbackSocket::LoopbackSocket() : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (fd() < 0) {
        failWith("socket");
    }
    sockaddr_in address = testing_support::loopbackAddress(0);
    socklen_t length = sizeof(address);
    if (::bind(fd(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        failWith("bind");
    }
    m_port = ntohs(address.sin_port);
}

std::string LoopbackSocket::pageAddress() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/";
}

void LoopbackSocket::listen() {
    if (::listen(fd(), SOMAXCONN) != 0) {
        failWith("listen");
    }
}
