#include "StatusClient.h"

#include "UnixSocketAddress.h"

#include <QFile>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <system_error>
#include <unistd.h>

namespace StatusClient {

namespace {

using Clock = std::chrono::steady_clock;

// A server that refuses a client closes its connection at once.
const QString kClosedUnanswered = QStringLiteral("the server closed the connection without an answer");

Reply failed(const QString& text) {
    return {Reply::Result::Failed, {}, text};
}

Reply failedWith(int error) {
    return failed(QString::fromStdString(std::generic_category().message(error)));
}

Reply connectFailure(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ECONNREFUSED: return {Reply::Result::NotRunning, {}, QString()};
    case EACCES:
    case EPERM: return {Reply::Result::Denied, {}, QString::fromStdString(std::generic_category().message(error))};
    default: return failedWith(error);
    }
}

int millisecondsUntil(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// A connect that waits for room in a busy server's queue waits no longer than the deadline.
bool connectWithin(int descriptor, const sockaddr_un& address, std::chrono::milliseconds deadline) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(deadline);
    timeval timeout{static_cast<time_t>(seconds.count()),
                    static_cast<suseconds_t>(std::chrono::microseconds(deadline - seconds).count())};
    ::setsockopt(descriptor, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    return ::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

Reply exchange(int descriptor, const QByteArray& request, Clock::time_point end) {
    if (::send(descriptor, request.constData(), static_cast<std::size_t>(request.size()), MSG_NOSIGNAL) !=
        request.size()) {
        return errno == EPIPE || errno == ECONNRESET ? failed(kClosedUnanswered) : failedWith(errno);
    }
    Reply reply{Reply::Result::Answered, {}, QString()};
    char buffer[65536];
    for (;;) {
        pollfd entry{descriptor, POLLIN, 0};
        const int ready = ::poll(&entry, 1, millisecondsUntil(end));
        if (ready == 0) {
            return failed(QStringLiteral("no answer in time"));
        }
        const ssize_t count = ready < 0 ? -1 : ::recv(descriptor, buffer, sizeof(buffer), 0);
        if (count > 0) {
            reply.answer.append(buffer, count);
        } else if (count == 0 || errno == ECONNRESET) {
            break; // a server that closes before it reads the request resets the connection
        } else if (errno != EINTR) {
            return failedWith(errno);
        }
    }
    return reply.answer.isEmpty() ? failed(kClosedUnanswered) : reply;
}

} // namespace

Reply ask(const QString& path, const QByteArray& request, std::chrono::milliseconds deadline) {
    const Clock::time_point end = Clock::now() + deadline;
    const std::optional<sockaddr_un> address = unixSocketAddress(QFile::encodeName(path));
    if (!address) {
        return connectFailure(ENOENT);
    }
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        return failedWith(errno);
    }
    Reply reply = connectWithin(descriptor, *address, deadline) ? exchange(descriptor, request, end)
                                                                : connectFailure(errno == EAGAIN ? ETIMEDOUT : errno);
    ::close(descriptor);
    return reply;
}

} // namespace StatusClient
