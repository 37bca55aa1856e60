#include "StatusServer.h"

#include "ActivityLog.h"
#include "StatusPaths.h"
#include "StatusReport.h"
#include "StatusSocket.h"
#include "TimeService.h"

#include <QDir>
#include <QFile>
#include <cerrno>

namespace {

// The session's folder for the socket is the user's alone; the unit's exists already, as the unit sets it.
bool makeOwnFolder(const QString& folder) {
    return QDir().mkpath(folder) &&
           QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

StatusServer::StatusServer(const TimeService& service, ActivityLog& log) : m_service(service), m_log(log) {}

StatusServer::~StatusServer() = default;

void StatusServer::open() {
    const QString folder = StatusPaths::serverFolder();
    std::optional<ErrorRecord> failure;
    if (folder.isEmpty()) {
        failure = ErrorRecord{ENOENT, "no runtime directory (XDG_RUNTIME_DIR is not set)", "StatusServer.open"};
    } else if (!QDir(folder).exists() && !makeOwnFolder(folder)) {
        failure = ErrorRecord{EACCES, (folder + QStringLiteral(": cannot make the folder")).toStdString(),
                              "StatusServer.open"};
    } else {
        m_socket = std::make_unique<StatusSocket>([this](const QByteArray& request) { return answer(request); });
        failure = m_socket->listen(StatusPaths::serverSocket());
    }
    if (failure) {
        m_socket.reset();
        m_log.writebox(QStringLiteral("Status: quillet --status cannot reach this server: ") +
                           QString::fromStdString(failure->description),
                       false);
    }
}

QByteArray StatusServer::answer(const QByteArray& request) const {
    if (request == "text") {
        return StatusReport::text(m_service);
    }
    return request == "json" ? StatusReport::json(m_service) : QByteArray();
}
