#include "support/PlainSocket.h"

#include "support/LoopbackAddress.h"
#include "support/LoopbackPeer.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

namespace {
int fd(PlainSocket::Handle handle) {
    return static_cast<int>(handle);
}
} // namespace

PlainSocket PlainSocket::tcp() {
    return PlainSocket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
}

PlainSocket PlainSocket::udp() {
    return PlainSocket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
}

void PlainSocket::reset(Handle handle) {
    if (m_handle != kNone) {
        ::close(fd(m_handle));
    }
    m_handle = handle < 0 ? kNone : handle;
}

std::uint16_t PlainSocket::bind(std::uint32_t host, std::uint16_t port) {
    sockaddr_in address = loopbackAddress(port, host);
    socklen_t length = sizeof(address);
    if (::bind(fd(m_handle), reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd(m_handle), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

bool PlainSocket::connect(std::uint16_t port, std::uint32_t host) {
    const sockaddr_in address = loopbackAddress(port, host);
    return ::connect(fd(m_handle), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

bool PlainSocket::listen(int backlog) {
    return ::listen(fd(m_handle), backlog) == 0;
}

PlainSocket PlainSocket::accept() {
    return PlainSocket(::accept4(fd(m_handle), nullptr, nullptr, SOCK_CLOEXEC));
}

void PlainSocket::setNonBlocking() {
    ::fcntl(fd(m_handle), F_SETFL, ::fcntl(fd(m_handle), F_GETFL) | O_NONBLOCK);
}

void PlainSocket::shutdownWrite() {
    ::shutdown(fd(m_handle), SHUT_WR);
}

void PlainSocket::resetOnClose() {
    const linger abortive{1, 0};
    ::setsockopt(fd(m_handle), SOL_SOCKET, SO_LINGER, &abortive, sizeof(abortive));
}

std::ptrdiff_t PlainSocket::send(std::string_view bytes) {
    return ::send(fd(m_handle), bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

std::ptrdiff_t PlainSocket::sendTo(std::uint16_t port, std::string_view bytes) {
    const sockaddr_in address = loopbackAddress(port);
    return ::sendto(fd(m_handle), bytes.data(), bytes.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address),
                    sizeof(address));
}

PlainSocket::Received PlainSocket::receive(char* buffer, std::size_t size) {
    const ssize_t count = ::recv(fd(m_handle), buffer, size, 0);
    return {count, count < 0 && errno == ECONNRESET};
}

bool PlainSocket::waitUntilReady(bool forWriting, const PlainSocket& stop) const {
    pollfd fds[] = {{fd(m_handle), static_cast<short>(forWriting ? POLLOUT : POLLIN), 0},
                    {fd(stop.m_handle), POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return fds[1].revents == 0;
}

int PlainSocket::lastError() {
    return errno;
}

namespace {
// SO_REUSEADDR lets a socket bind a port another socket holds so long as that one does not listen.
PlainSocket reusableSocket() {
    PlainSocket socket = PlainSocket::tcp();
    const int on = 1;
    ::setsockopt(fd(socket.get()), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    return socket;
}
} // namespace

ReservedPort::ReservedPort() : m_socket(reusableSocket()), m_port(m_socket.bind(0)) {}

RivalListener::RivalListener(std::uint16_t port) : m_socket(reusableSocket()) {
    m_listening = m_socket.bind(0, port) != 0 && m_socket.listen(5);
}

} // namespace testing_support
