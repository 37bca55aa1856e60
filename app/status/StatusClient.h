#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>

// Asks a status socket once: sends the request and reads the answer to its end. Blocks, within
// the deadline: for a command that does nothing else, never on a server's event loop.
namespace StatusClient {

struct Reply {
    enum class Result {
        Answered,
        NotRunning, // no socket file, or one that nobody answers at
        Denied,     // the file's permissions keep this user out
        Failed,     // no answer: see error
    };
    Result result = Result::Failed;
    QByteArray answer;
    QString error;
};

Reply ask(const QString& path, const QByteArray& request, std::chrono::milliseconds deadline);

} // namespace StatusClient
