#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <cstdint>
#include <functional>
#include <future>
#include <string>
#include <utility>

// The real build/quillet, started headless as its own process. Its standard output
// carries the activity log, one line per entry. Its runtime directory (XDG_RUNTIME_DIR), where
// it makes its status socket, is a fresh one of its own.
class QuilletProcess {
public:
    static constexpr std::uint16_t kPort = 10325;

    // Starts the program; extra environment entries as "NAME=value". A launcher, when
    // given, is a command line that runs the program (as valgrind does). The child set-up,
    // when given, runs in the new process just before it becomes the launcher or the program.
    explicit QuilletProcess(const QStringList& environment = {}, const QStringList& launcher = {},
                            const std::function<void()>& childSetUp = {});
    ~QuilletProcess();
    QuilletProcess(const QuilletProcess&) = delete;
    QuilletProcess& operator=(const QuilletProcess&) = delete;

    // Spins the event loop until a log line contains the text; false at the deadline.
    bool waitForLogLine(const QString& text, std::chrono::milliseconds deadline = std::chrono::seconds(10));
    bool waitForListening() { return waitForLogLine(QStringLiteral("] Listening")); }
    bool waitForExit(std::chrono::milliseconds deadline = std::chrono::seconds(10));

    QStringList logLines();
    QString standardError();
    int exitCode() const { return m_process.exitCode(); }
    bool crashed() const { return m_process.exitStatus() == QProcess::CrashExit; }
    qint64 pid() const { return m_process.processId(); }
    QString runtimeDirectory() const { return m_runtimeDirectory.path(); }
    void sendSignal(int signal);

    // Runs the work on a worker thread while this thread keeps reading the server's
    // output, so the server never blocks on a full pipe. Answers the work's result; the
    // work must bound its own waiting.
    template <typename Work> auto whileServing(Work&& work) {
        auto result = std::async(std::launch::async, std::forward<Work>(work));
        spinUntilReady([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
        return result.get();
    }

private:
    void collect();
    static void spinUntilReady(const std::function<bool()>& ready);

    QTemporaryDir m_runtimeDirectory;
    QProcess m_process;
    QString m_output;
    QString m_errors;
};
