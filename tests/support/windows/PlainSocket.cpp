#include "support/PlainSocket.h"

#include "support/LoopbackPeer.h"

#include <winsock2.h>

#include <algorithm>

namespace testing_support {

namespace {

SOCKET native(PlainSocket::Handle handle) {
    return static_cast<SOCKET>(handle);
}

// The tests' own sockets keep Windows Sockets started for the whole run, whatever the code
// under test starts and cleans up.
PlainSocket open(int type) {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) {
        return PlainSocket();
    }
    const SOCKET socket = ::socket(AF_INET, type, 0);
    if (socket == INVALID_SOCKET) {
        return PlainSocket();
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
    return PlainSocket(static_cast<PlainSocket::Handle>(socket));
}

sockaddr_in loopbackAddress(std::uint16_t port, std::uint32_t host) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(host);
    return address;
}

int length(std::size_t size) {
    return static_cast<int>(std::min<std::size_t>(size, 1 << 30));
}

} // namespace

PlainSocket PlainSocket::tcp() {
    return open(SOCK_STREAM);
}

PlainSocket PlainSocket::udp() {
    return open(SOCK_DGRAM);
}

void PlainSocket::reset(Handle handle) {
    if (m_handle != kNone) {
        ::closesocket(native(m_handle));
    }
    m_handle = native(handle) == INVALID_SOCKET ? kNone : handle;
}

std::uint16_t PlainSocket::bind(std::uint32_t host, std::uint16_t port) {
    sockaddr_in address = loopbackAddress(port, host);
    int size = sizeof(address);
    if (::bind(native(m_handle), reinterpret_cast<const sockaddr*>(&address), size) != 0 ||
        ::getsockname(native(m_handle), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

bool PlainSocket::connect(std::uint16_t port, std::uint32_t host) {
    const sockaddr_in address = loopbackAddress(port, host);
    return ::connect(native(m_handle), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

bool PlainSocket::listen(int backlog) {
    return ::listen(native(m_handle), backlog) == 0;
}

PlainSocket PlainSocket::accept() {
    const SOCKET accepted = ::accept(native(m_handle), nullptr, nullptr);
    return accepted == INVALID_SOCKET ? PlainSocket() : PlainSocket(static_cast<Handle>(accepted));
}

void PlainSocket::setNonBlocking() {
    u_long on = 1;
    ::ioctlsocket(native(m_handle), FIONBIO, &on);
}

void PlainSocket::shutdownWrite() {
    ::shutdown(native(m_handle), SD_SEND);
}

void PlainSocket::resetOnClose() {
    const linger abortive{1, 0};
    ::setsockopt(native(m_handle), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive), sizeof(abortive));
}

// Windows raises no signal for a write to a closed connection.
std::ptrdiff_t PlainSocket::send(std::string_view bytes) {
    return ::send(native(m_handle), bytes.data(), length(bytes.size()), 0);
}

std::ptrdiff_t PlainSocket::sendTo(std::uint16_t port, std::string_view bytes) {
    const sockaddr_in address = loopbackAddress(port, loopbackHost());
    return ::sendto(native(m_handle), bytes.data(), length(bytes.size()), 0,
                    reinterpret_cast<const sockaddr*>(&address), sizeof(address));
}

PlainSocket::Received PlainSocket::receive(char* buffer, std::size_t size) {
    const int count = ::recv(native(m_handle), buffer, length(size), 0);
    return {count, count == SOCKET_ERROR && WSAGetLastError() == WSAECONNRESET};
}

bool PlainSocket::waitUntilReady(bool forWriting, const PlainSocket& stop) const {
    WSAPOLLFD fds[] = {{native(m_handle), static_cast<SHORT>(forWriting ? POLLWRNORM : POLLRDNORM), 0},
                       {native(stop.m_handle), POLLRDNORM, 0}};
    if (::WSAPoll(fds, 2, -1) == SOCKET_ERROR) {
        return false;
    }
    return fds[1].revents == 0;
}

int PlainSocket::lastError() {
    return WSAGetLastError();
}

// Windows lets no socket bind a port another one holds unless it asks to share it, and a server
// that shared it could then be robbed of it. So nothing holds the port: it is a new one each time,
// below the ephemeral range of Windows (49152 up) and of Linux under Wine (32768 up), which no
// socket is handed unless it asks for it by number.
ReservedPort::ReservedPort() {
    static std::uint16_t next = 20000;
    m_port = next++;
}

RivalListener::RivalListener(std::uint16_t port) : m_socket(PlainSocket::tcp()) {
    m_listening = m_socket.bind(0, port) != 0 && m_socket.listen(5);
}

} // namespace testing_support
