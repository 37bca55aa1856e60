#include "StatusPaths.h"

namespace StatusPaths {

namespace {

const QString kSocketName = QStringLiteral("status");

QString sessionFolder() {
    const QString session = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return session.isEmpty() ? QString() : session + QStringLiteral("/quillet");
}

} // namespace

// The service manager names a unit's runtime directory in $RUNTIME_DIRECTORY (the first, should
// there be several); the unit's XDG_RUNTIME_DIR is that same folder, so it is not looked in.
QString serverFolder() {
    const QString unitFolder = qEnvironmentVariable("RUNTIME_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    return unitFolder.isEmpty() ? sessionFolder() : unitFolder;
}

QString serverSocket() {
    const QString folder = serverFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + kSocketName;
}

QStringList clientSockets() {
    QStringList sockets;
    if (const QString session = sessionFolder(); !session.isEmpty()) {
        sockets << session + QLatin1Char('/') + kSocketName;
    }
    if (!sockets.contains(QLatin1String(kServiceSocket))) {
        sockets << QLatin1String(kServiceSocket);
    }
    return sockets;
}

} // namespace StatusPaths
