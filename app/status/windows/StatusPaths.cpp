#include "StatusPaths.h"

#include <QDir>

#include <windows.h>

// On Windows the status socket is a named pipe, \\.\pipe\<name>. Pipe names are seen by every
// session of the computer, so the name holds the session and the user; the pipe's access list
// lets in its owner alone.
namespace StatusPaths {

namespace {

QString userName() {
    wchar_t name[257] = {};
    DWORD length = sizeof(name) / sizeof(name[0]);
    return GetUserNameW(name, &length) != FALSE ? QString::fromWCharArray(name) : QString();
}

DWORD sessionId() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return session;
}

} // namespace

// A pipe needs no folder; the user's temporary folder, which always exists, stands in for one.
QString serverFolder() {
    return QDir::tempPath();
}

QString serverSocket() {
    return QStringLiteral("Quillet.Status.%1.%2").arg(sessionId()).arg(userName());
}

QStringList clientSockets() {
    return {serverSocket()};
}

} // namespace StatusPaths
