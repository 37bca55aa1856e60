#pragma once

#include "support/FileDescriptor.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A service manager's end of the notification protocol: a datagram socket of this test's own,
// named by the NOTIFY_SOCKET the program is started with. Reads never block.
class NotifySocket {
public:
    NotifySocket();
    NotifySocket(const NotifySocket&) = delete;
    NotifySocket& operator=(const NotifySocket&) = delete;

    // "NOTIFY_SOCKET=<path>", for the program's environment.
    QString environmentEntry() const;
    // Every datagram received so far, each as it came, the oldest first.
    const QStringList& received();
    // Spins the event loop until a datagram holds the text; false at the deadline.
    bool waitFor(const QString& text);

private:
    QTemporaryDir m_directory;
    QString m_path;
    FileDescriptor m_descriptor;
    QStringList m_received;
};
