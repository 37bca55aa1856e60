#pragma once

#include "RuntimeError.h"
#include "StatusConnection.h"

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <sys/types.h>

// A local stream socket (AF_UNIX) that answers one short request per connection, then closes:
// nothing a client sends changes anything. Only clients of the same user and root are answered;
// the socket file is the owner's alone (0600). At most kMaxClients are served at a time, each
// bounded as StatusConnection says, so no client can stall the event loop. Owns the listening
// descriptor and removes its socket file when it goes. GUI thread only.
class StatusSocket : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxClients = 4;

    explicit StatusSocket(StatusAnswer answer, QObject* parent = nullptr);
    ~StatusSocket() override;

    // Listens at the path, taking the place of a socket file that nobody answers at any more.
    // Answers why it cannot: the system's error number, a description naming the path, and
    // the source "StatusSocket.listen"; nothing when it listens.
    std::optional<ErrorRecord> listen(const QString& path);
    bool isListening() const { return m_descriptor >= 0; }

private:
    void acceptClients();
    void accept(int client);
    ErrorRecord failure(int error, const QString& why) const;

    StatusAnswer m_answer;
    int m_descriptor = -1;
    QByteArray m_path;
    dev_t m_fileDevice = 0; // the socket file made here, so only that one is removed
    ino_t m_fileInode = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_resume; // out of descriptors: accepting waits a while rather than spin
    int m_clients = 0;
};
