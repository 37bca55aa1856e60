#include "NotifySocket.h"

#include "support/EventLoop.h"

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

NotifySocket::NotifySocket() : m_path(m_directory.filePath(QStringLiteral("notify"))) {
    m_descriptor.reset(::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = m_path.toLocal8Bit();
    std::memcpy(address.sun_path, path.constData(), std::min<std::size_t>(path.size(), sizeof(address.sun_path) - 1));
    ::bind(m_descriptor.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
}

QString NotifySocket::environmentEntry() const {
    return QStringLiteral("NOTIFY_SOCKET=") + m_path;
}

const QStringList& NotifySocket::received() {
    char datagram[4096];
    ssize_t length = 0;
    while ((length = ::recv(m_descriptor.get(), datagram, sizeof(datagram), 0)) >= 0) {
        m_received << QString::fromUtf8(datagram, length);
    }
    return m_received;
}

bool NotifySocket::waitFor(const QString& text) {
    return testing_support::waitUntil(
        [&] {
            for (const QString& datagram : received()) {
                if (datagram.contains(text)) {
                    return true;
                }
            }
            return false;
        },
        std::chrono::seconds(20));
}
