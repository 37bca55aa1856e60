#include "Station.h"

#include "Loopback.h"

#include <cerrno>
#include <sys/socket.h>

namespace {

constexpr std::chrono::milliseconds kRetryDelay{10};
// A connect or read this long without progress counts as a hang and is retried.
constexpr std::chrono::seconds kStallLimit{5};

Attempt failureFor(int error) {
    switch (error) {
    case ECONNREFUSED: return Attempt::Refused;
    case ECONNRESET:
    case EPIPE: return Attempt::Reset;
    default: return Attempt::Failed;
    }
}

Attempt outcomeOfEndedStream(std::size_t received) {
    if (received == 0) {
        return Attempt::Empty;
    }
    return received == Station::kReplySize ? Attempt::Served : Attempt::Short;
}

} // namespace

Station::Station(std::uint16_t port, TimePoint now) : m_port(port) {
    m_record.started = now;
    attempt(now);
}

pollfd Station::pollEntry() const {
    const short events = m_phase == Phase::Connecting ? POLLOUT : POLLIN;
    return pollfd{m_socket.get(), events, 0};
}

void Station::onReady(TimePoint now) {
    if (m_phase == Phase::Connecting) {
        const int error = pendingConnectError(m_socket.get());
        error == 0 ? becomeConnected(now) : finish(failureFor(error), now);
    } else if (m_phase == Phase::Reading) {
        readAvailable(now);
    }
}

void Station::onDeadline(TimePoint now) {
    if (m_phase == Phase::Waiting) {
        attempt(now);
    } else {
        finish(m_phase == Phase::Connecting ? Attempt::ConnectHung : Attempt::ReplyHung, now);
    }
}

void Station::attempt(TimePoint now) {
    ++m_record.attempts;
    m_received.clear();
    m_attemptStarted = now;
    ConnectStart start = startLoopbackConnect(m_port);
    m_socket = std::move(start.socket);
    if (start.error == 0) {
        becomeConnected(now);
    } else if (start.error == EINPROGRESS) {
        m_phase = Phase::Connecting;
        m_deadline = now + kStallLimit;
    } else {
        finish(failureFor(start.error), now);
    }
}

void Station::becomeConnected(TimePoint now) {
    m_phase = Phase::Reading;
    m_deadline = now + kStallLimit;
}

void Station::readAvailable(TimePoint now) {
    char buffer[64];
    for (;;) {
        const ssize_t count = ::recv(m_socket.get(), buffer, sizeof buffer, 0);
        if (count > 0) {
            m_received.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0) {
            finish(outcomeOfEndedStream(m_received.size()), now);
            return;
        } else if (errno == EAGAIN) {
            return;
        } else if (errno != EINTR) {
            finish(failureFor(errno), now);
            return;
        }
    }
}

void Station::finish(Attempt outcome, TimePoint now) {
    m_socket.reset();
    ++m_record.outcomes[static_cast<std::size_t>(outcome)];
    if (outcome != Attempt::Served) {
        m_phase = Phase::Waiting;
        m_deadline = now + kRetryDelay;
        return;
    }
    m_phase = Phase::Done;
    m_record.served = true;
    m_record.connecting = m_attemptStarted;
    m_record.ended = now;
    m_record.reply = m_received;
}
