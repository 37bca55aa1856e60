#include "StatusSocket.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <memory>

// The status socket as a named pipe served by QLocalServer, whose access list grants the pipe to
// the user who runs the server alone. The server object is this object's child; m_descriptor is 0
// while it listens, as a pipe has no one descriptor to name it.
namespace {

// Closing the server's end of a pipe throws away what the client has not read yet, so the answer
// ends with a NUL and the client closes once it has read that far.
const QByteArray kAnswerEnd(1, '\0');
constexpr int kProbeMilliseconds = 200;
constexpr int kErrorAlreadyExists = 183; // ERROR_ALREADY_EXISTS

// Serves one client as StatusConnection does: one request of at most kMaxRequest bytes ended by
// a line feed, then the answer; the client's leaving or kDeadline ends it. The client's socket owns
// the timer and the connections, so all of it goes when the socket does.
void serveClient(QLocalSocket* client, const StatusAnswer& answerFor, const std::function<void()>& finished) {
    auto* deadline = new QTimer(client);
    deadline->setSingleShot(true);
    const auto done = std::make_shared<bool>(false);
    const auto finish = [client, done, finished] {
        if (*done) {
            return;
        }
        *done = true;
        client->disconnect();
        client->abort();
        client->deleteLater();
        finished();
    };
    const auto readRequest = [client, answerFor, finish] {
        const QByteArray request = client->peek(StatusConnection::kMaxRequest + 1);
        const qsizetype end = request.indexOf('\n');
        if (end < 0) {
            if (request.size() > StatusConnection::kMaxRequest) {
                finish();
            }
            return;
        }
        client->read(request.size());
        const QByteArray answer = answerFor(request.left(end).trimmed());
        if (answer.isEmpty()) {
            finish();
            return;
        }
        client->write(answer + kAnswerEnd);
    };
    QObject::connect(deadline, &QTimer::timeout, client, finish);
    QObject::connect(client, &QLocalSocket::readyRead, client, readRequest);
    QObject::connect(client, &QLocalSocket::disconnected, client, finish);
    deadline->start(StatusConnection::kDeadline);
    readRequest();
}

// Windows lets a second server make another instance of the same pipe, so a server that answers
// there already is asked first, as the Linux socket does.
bool answersAt(const QString& path) {
    QLocalSocket probe;
    probe.connectToServer(path);
    const bool answers = probe.waitForConnected(kProbeMilliseconds);
    probe.abort();
    return answers;
}

} // namespace

StatusSocket::StatusSocket(StatusAnswer answer, QObject* parent) : QObject(parent), m_answer(std::move(answer)) {}

// The server and its clients go first, while the count their endings update is still here.
StatusSocket::~StatusSocket() {
    delete findChild<QLocalServer*>(QString(), Qt::FindDirectChildrenOnly);
}

std::optional<ErrorRecord> StatusSocket::listen(const QString& path) {
    if (answersAt(path)) {
        return ErrorRecord{kErrorAlreadyExists, (path + QStringLiteral(": another server answers there")).toStdString(),
                           "StatusSocket.listen"};
    }
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        const ErrorRecord failure{static_cast<int>(server->serverError()),
                                  (path + QStringLiteral(": ") + server->errorString()).toStdString(),
                                  "StatusSocket.listen"};
        delete server;
        return failure;
    }
    m_path = path.toUtf8();
    m_descriptor = 0;
    connect(server, &QLocalServer::newConnection, this, [this, server] {
        while (QLocalSocket* client = server->nextPendingConnection()) {
            if (m_clients >= kMaxClients) {
                client->abort();
                client->deleteLater();
                continue;
            }
            ++m_clients;
            serveClient(client, m_answer, [this] { --m_clients; });
        }
    });
    return std::nullopt;
}
