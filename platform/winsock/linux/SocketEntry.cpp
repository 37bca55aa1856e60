#include "SocketEntry.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace winsock {

SocketEntry::SocketEntry(Socket handle, int descriptor, int type)
    : m_handle(handle), m_descriptor(descriptor), m_type(type) {}

SocketEntry::~SocketEntry() {
    close();
}

int SocketEntry::close() {
    m_readNotifier.reset();
    m_writeNotifier.reset();
    if (m_descriptor < 0) {
        return 0;
    }
    // Linux releases the descriptor even when close() reports an error: it is never closed twice.
    const int closed = ::close(m_descriptor);
    const int closeError = closed == 0 ? 0 : errno;
    m_descriptor = -1;
    return closeError;
}

void SocketEntry::select(win::WindowHandle window, win::MessageId message, std::int32_t events) {
    m_readNotifier.reset();
    m_writeNotifier.reset();
    m_window = window;
    m_message = message;
    m_events = message == 0 ? 0 : events;
    if (m_events == 0) {
        return;
    }
    m_readNotifier = std::make_unique<QSocketNotifier>(m_descriptor, QSocketNotifier::Read);
    QObject::connect(m_readNotifier.get(), &QSocketNotifier::activated, m_readNotifier.get(), [this] { onReadable(); });
    SocketAddressIn peer;
    m_connected = m_connected || (isStream() && !m_connecting && !getPeerName(m_handle, peer).failed());
    m_readNotifier->setEnabled(hasReadsToWatch());
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_descriptor, QSocketNotifier::Write);
    QObject::connect(m_writeNotifier.get(), &QSocketNotifier::activated, m_writeNotifier.get(),
                     [this] { onWritable(); });
    m_writeNotifier->setEnabled(m_connecting || m_writeBlocked);
    if (m_connected) {
        post(kFdWrite, 0); // a connected socket is writable from the start
    }
}

void SocketEntry::markListening() {
    m_listening = true;
    rearmRead();
}

void SocketEntry::rearmRead() {
    if (m_readNotifier && hasReadsToWatch()) {
        m_readNotifier->setEnabled(true);
    }
}

void SocketEntry::awaitWritable() {
    m_writeBlocked = true;
    if (m_writeNotifier) {
        m_writeNotifier->setEnabled(true);
    }
}

void SocketEntry::connectStarted() {
    m_connecting = true;
    if (m_writeNotifier) {
        m_writeNotifier->setEnabled(true);
    }
}

void SocketEntry::connectFinished(int wsaError) {
    m_connecting = false;
    m_connected = wsaError == 0;
    rearmRead();
    if (m_writeNotifier) {
        m_writeNotifier->setEnabled(m_writeBlocked);
    }
    post(kFdConnect, wsaError);
    if (wsaError == 0) {
        post(kFdWrite, 0);
    }
}

void SocketEntry::post(std::int32_t event, int wsaError) {
    if (!selects(event)) {
        return;
    }
    const auto lParam = static_cast<win::LParam>(static_cast<std::uint32_t>(event) |
                                                 (static_cast<std::uint32_t>(wsaError & 0xFFFF) << 16));
    win::postMessage(m_window, m_message, static_cast<win::WParam>(m_handle), lParam);
}

// Readiness is level-triggered: the notifier stays off until the owner's next
// recv/accept, exactly as a read or accept notification is not repeated until then.
void SocketEntry::onReadable() {
    m_readNotifier->setEnabled(false);
    if (m_listening) {
        post(kFdAccept, 0);
    } else if (!isStream()) {
        post(kFdRead, 0);
    } else {
        checkStreamEnd();
    }
}

// A readable stream holds data, or has reached its end (graceful or reset).
void SocketEntry::checkStreamEnd() {
    char probe = 0;
    const ssize_t peeked = ::recv(m_descriptor, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    const int peekError = peeked < 0 ? errno : 0;
    if (peeked > 0) {
        post(kFdRead, 0);
    } else if (peeked == 0) {
        m_closeNotified = true;
        post(kFdClose, 0);
    } else if (peekError == EAGAIN || peekError == EWOULDBLOCK || peekError == EINTR) {
        m_readNotifier->setEnabled(true);
    } else {
        m_closeNotified = true;
        post(kFdClose, errorFromErrno(peekError));
    }
}

void SocketEntry::onWritable() {
    m_writeNotifier->setEnabled(false);
    if (m_connecting) {
        // The connect's outcome; a socket that cannot even say counts as failed, never as connected.
        int error = 0;
        socklen_t length = sizeof(error);
        if (::getsockopt(m_descriptor, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            error = errno;
        }
        connectFinished(error == 0 ? 0 : errorFromErrno(error));
    } else if (m_writeBlocked) {
        m_writeBlocked = false;
        post(kFdWrite, 0);
    }
}

} // namespace winsock
