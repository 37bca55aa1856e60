#include "StatusServer.h"

#include "StatusPaths.h"
#include "StatusReport.h"
#include "StatusSocket.h"
#include "TimeService.h"

#include <QDir>
#include <QFile>

namespace {

// The session's folder for the socket is the user's alone; the unit's exists already, as the unit sets it.
bool makeOwnFolder(const QString& folder) {
    return QDir().mkpath(folder) &&
           QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

StatusServer::StatusServer(TimeService& service) : m_service(service) {}

StatusServer::~StatusServer() = default;

void StatusServer::open() {
    const QString folder = StatusPaths::serverFolder();
    QString failure;
    if (folder.isEmpty()) {
        failure = QStringLiteral("no runtime directory (XDG_RUNTIME_DIR is not set)");
    } else if (!QDir(folder).exists() && !makeOwnFolder(folder)) {
        failure = folder + QStringLiteral(": cannot make the folder");
    } else {
        m_socket = std::make_unique<StatusSocket>([this](const QByteArray& request) { return answer(request); });
        failure = m_socket->listen(StatusPaths::serverSocket());
    }
    if (!failure.isEmpty()) {
        m_socket.reset();
        m_service.writebox(QStringLiteral("Status: quillet --status cannot reach this server: ") + failure, false);
    }
}

QByteArray StatusServer::answer(const QByteArray& request) const {
    if (request == "text") {
        return StatusReport::text(m_service);
    }
    return request == "json" ? StatusReport::json(m_service) : QByteArray();
}
