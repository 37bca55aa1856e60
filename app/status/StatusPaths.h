#pragma once

#include <QString>
#include <QStringList>

// Where the status socket of `quillet --status` lives. A server started by the service manager
// puts it in the unit's runtime directory (/run/quillet/status); one started in a desktop
// session in a folder of its own in the session's ($XDG_RUNTIME_DIR/quillet/status).
namespace StatusPaths {

inline constexpr const char* kServiceSocket = "/run/quillet/status";

// The folder the server makes its socket in, and the socket; both empty with no runtime directory.
QString serverFolder();
QString serverSocket();
// Where `quillet --status` looks, in order: this session's server, then the service.
QStringList clientSockets();

} // namespace StatusPaths
