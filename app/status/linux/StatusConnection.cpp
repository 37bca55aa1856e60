#include "StatusConnection.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

StatusConnection::StatusConnection(int descriptor, StatusAnswer answer, QObject* parent)
    : QObject(parent), m_descriptor(descriptor), m_answerFor(std::move(answer)),
      m_readable(descriptor, QSocketNotifier::Read), m_writable(descriptor, QSocketNotifier::Write) {
    m_writable.setEnabled(false);
    connect(&m_readable, &QSocketNotifier::activated, this, &StatusConnection::readRequest);
    connect(&m_writable, &QSocketNotifier::activated, this, &StatusConnection::writeAnswer);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &StatusConnection::finish);
    m_deadline.start(kDeadline);
}

StatusConnection::~StatusConnection() {
    m_readable.setEnabled(false);
    m_writable.setEnabled(false);
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
    }
}

// Reads no more than one byte past the largest request, so a client that sends a flood costs
// one small read before it is let go.
void StatusConnection::readRequest() {
    char buffer[kMaxRequest + 1];
    for (;;) {
        const ssize_t count =
            ::recv(m_descriptor, buffer, static_cast<std::size_t>(kMaxRequest + 1 - m_request.size()), 0);
        if (count > 0) {
            m_request.append(buffer, count);
            if (const qsizetype end = m_request.indexOf('\n'); end >= 0) {
                respond(m_request.left(end));
                return;
            }
            if (m_request.size() > kMaxRequest) {
                finish();
                return;
            }
        } else if (count == 0) {
            respond(m_request); // the client's end of sending ends its request
            return;
        } else if (errno != EINTR) {
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                finish();
            }
            return;
        }
    }
}

void StatusConnection::respond(const QByteArray& request) {
    m_readable.setEnabled(false);
    m_answer = m_answerFor(request.trimmed());
    if (m_answer.isEmpty()) {
        finish();
        return;
    }
    writeAnswer();
}

// Writes what the client's socket takes now, and the rest when it has room again.
void StatusConnection::writeAnswer() {
    while (m_written < m_answer.size()) {
        const ssize_t sent = ::send(m_descriptor, m_answer.constData() + m_written,
                                    static_cast<std::size_t>(m_answer.size() - m_written), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            m_written += sent;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writable.setEnabled(true);
            return;
        } else if (sent == 0 || errno != EINTR) {
            break; // the client went away
        }
    }
    finish();
}

void StatusConnection::finish() {
    if (m_descriptor < 0) {
        return;
    }
    m_readable.setEnabled(false);
    m_writable.setEnabled(false);
    m_deadline.stop();
    ::close(m_descriptor);
    m_descriptor = -1;
    emit finished();
    deleteLater();
}
