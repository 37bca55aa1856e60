#include "support/LoopbackPeer.h"

#include "support/EventLoop.h"
#include "support/LoopbackAddress.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

std::unique_ptr<LoopbackPeer> LoopbackPeer::connectTo(std::uint16_t port, std::uint32_t fromHost) {
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in from = loopbackAddress(0, fromHost);
    ::bind(descriptor, reinterpret_cast<const sockaddr*>(&from), sizeof(from));
    const sockaddr_in address = loopbackAddress(port);
    if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(descriptor);
        return nullptr;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
    return std::unique_ptr<LoopbackPeer>(new LoopbackPeer(descriptor));
}

bool LoopbackPeer::send(const std::string& bytes) {
    return ::send(m_socket.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

std::size_t LoopbackPeer::sendSome(std::string_view bytes) {
    const ssize_t sent = ::send(m_socket.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    return sent > 0 ? static_cast<std::size_t>(sent) : 0;
}

void LoopbackPeer::shutdownWrite() {
    ::shutdown(m_socket.get(), SHUT_WR);
}

void LoopbackPeer::reset() {
    const linger abortive{1, 0};
    ::setsockopt(m_socket.get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof(abortive));
    close();
}

void LoopbackPeer::close() {
    m_socket.reset();
}

void LoopbackPeer::pump() {
    char buffer[4096];
    while (m_socket.get() >= 0 && !m_ended) {
        const ssize_t count = ::recv(m_socket.get(), buffer, sizeof(buffer), 0);
        if (count > 0) {
            m_received.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0) {
            m_ended = true;
        } else {
            if (errno == ECONNRESET) {
                m_wasReset = true;
                m_ended = true;
            }
            return;
        }
    }
}

bool LoopbackPeer::waitForEnd(std::chrono::milliseconds deadline) {
    return waitUntil(
        [this] {
            pump();
            return m_ended;
        },
        deadline);
}

bool LoopbackPeer::waitForBytes(std::size_t count, std::chrono::milliseconds deadline) {
    return waitUntil(
        [this, count] {
            pump();
            return m_received.size() >= count;
        },
        deadline);
}

std::string requestReply(std::uint16_t port, std::chrono::milliseconds deadline, std::uint32_t fromHost) {
    std::string reply;
    waitUntil(
        [&] {
            auto station = LoopbackPeer::connectTo(port, fromHost);
            if (!station || !station->waitForEnd(std::chrono::seconds(2))) {
                return false;
            }
            reply = station->received();
            return !reply.empty();
        },
        deadline);
    return reply;
}

PortHolder::PortHolder()
    : m_socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)), m_port(bindToLoopback(m_socket.get())) {
    ::listen(m_socket.get(), 5);
}

namespace {
int reusableSocket() {
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    return descriptor;
}
} // namespace

ReservedPort::ReservedPort() : m_socket(reusableSocket()) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::bind(m_socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    ::getsockname(m_socket.get(), reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
}

RivalListener::RivalListener(std::uint16_t port) : m_socket(reusableSocket()) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    m_listening = ::bind(m_socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
                  ::listen(m_socket.get(), 5) == 0;
}

} // namespace testing_support
