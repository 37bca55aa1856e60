#include "Station.h"

#include "support/LoopbackAddress.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

// A connection the kernel dropped because the listener closed during its handshake looks
// established to the station and stays silent; the server answers within a tick of
// accepting, so a station gives up sooner.
constexpr std::chrono::milliseconds kAnswerWait = 1s;

int millisecondsLeft(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for the events until the end; false at the end.
bool await(int descriptor, short events, Clock::time_point end) {
    pollfd entry{descriptor, events, 0};
    return ::poll(&entry, 1, millisecondsLeft(end)) > 0;
}

int connectedDescriptor(std::uint16_t port, std::chrono::milliseconds timeout, std::uint32_t fromHost,
                        std::uint32_t toHost) {
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const sockaddr_in from = testing_support::loopbackAddress(0, fromHost);
    ::bind(descriptor, reinterpret_cast<const sockaddr*>(&from), sizeof(from));
    const sockaddr_in address = testing_support::loopbackAddress(port, toHost);
    if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
        return descriptor;
    }
    int error = errno;
    if (error == EINPROGRESS && await(descriptor, POLLOUT, Clock::now() + timeout)) {
        socklen_t length = sizeof(error);
        ::getsockopt(descriptor, SOL_SOCKET, SO_ERROR, &error, &length);
    }
    if (error != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

} // namespace

std::unique_ptr<Station> Station::connect(std::uint16_t port, std::chrono::milliseconds timeout, std::uint32_t fromHost,
                                          std::uint32_t toHost) {
    const int descriptor = connectedDescriptor(port, timeout, fromHost, toHost);
    return descriptor < 0 ? nullptr : std::unique_ptr<Station>(new Station(descriptor));
}

std::unique_ptr<Station> Station::connectRetrying(std::uint16_t port, std::chrono::milliseconds deadline,
                                                  std::uint32_t fromHost, std::uint32_t toHost) {
    const auto end = Clock::now() + deadline;
    for (;;) {
        if (auto station = connect(port, 200ms, fromHost, toHost)) {
            return station;
        }
        if (Clock::now() >= end) {
            return nullptr;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

bool Station::sendAll(std::string_view bytes, std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    while (!bytes.empty()) {
        const long sent = sendSome(bytes);
        if (sent < 0 || (sent == 0 && !await(m_socket.get(), POLLOUT, end))) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void Station::awaitWritable(std::chrono::milliseconds deadline) {
    await(m_socket.get(), POLLOUT, Clock::now() + deadline);
}

long Station::sendSome(std::string_view bytes) {
    const ssize_t sent = ::send(m_socket.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent >= 0) {
        return static_cast<long>(sent);
    }
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

void Station::shutdownWrite() {
    ::shutdown(m_socket.get(), SHUT_WR);
}

void Station::reset() {
    const linger abortive{1, 0};
    ::setsockopt(m_socket.get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof(abortive));
    m_socket.reset();
}

Answer Station::readToEnd(std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    Answer answer;
    char buffer[4096];
    while (await(m_socket.get(), POLLIN, end)) {
        const ssize_t count = ::recv(m_socket.get(), buffer, sizeof(buffer), 0);
        if (count > 0) {
            answer.bytes.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0) {
            answer.ending = Ending::Fin;
            return answer;
        } else if (errno != EAGAIN && errno != EINTR) {
            answer.ending = Ending::Reset;
            return answer;
        }
    }
    return answer;
}

std::string Station::readAvailable() {
    std::string bytes;
    char buffer[4096];
    ssize_t count = 0;
    while ((count = ::recv(m_socket.get(), buffer, sizeof(buffer), 0)) > 0) {
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return bytes;
}

bool Station::isDropped() {
    char probe = 0;
    const ssize_t peeked = ::recv(m_socket.get(), &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    return peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

TimeAnswer askTime(std::uint16_t port, std::chrono::milliseconds deadline, std::uint32_t toHost,
                   std::uint32_t fromHost) {
    const auto end = Clock::now() + deadline;
    TimeAnswer answer;
    while (answer.reply.empty() && Clock::now() < end) {
        if (answer.attempts++ > 0) {
            std::this_thread::sleep_for(kRetryPause);
        }
        if (auto station = Station::connect(port, std::min(200ms, std::chrono::milliseconds(millisecondsLeft(end))),
                                            fromHost, toHost)) {
            answer.reply =
                station->readToEnd(std::min(kAnswerWait, std::chrono::milliseconds(millisecondsLeft(end)))).bytes;
        }
    }
    return answer;
}

} // namespace e2e
