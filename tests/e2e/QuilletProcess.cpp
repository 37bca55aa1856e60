#include "QuilletProcess.h"

#include "support/EventLoop.h"

#include <QProcessEnvironment>
#include <csignal>

QuilletProcess::QuilletProcess(const QStringList& environment, const QStringList& launcher,
                               const std::function<void()>& childSetUp) {
    // Headless, as a service runs it, unless the test names a display; its runtime directory its own.
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "RUNTIME_DIRECTORY"}) {
        variables.remove(QLatin1String(display));
    }
    variables.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDirectory.path());
#ifdef QUILLET_SANITIZED
    // Leaks inside the system's libraries are theirs; the program's own still fail the test.
    variables.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=" QUILLET_LSAN_SUPPRESSIONS));
#endif
    for (const QString& entry : environment) {
        variables.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    }
    m_process.setProcessEnvironment(variables);
    if (childSetUp) {
        m_process.setChildProcessModifier(childSetUp);
    }
    if (launcher.isEmpty()) {
        m_process.start(QStringLiteral(QUILLET_BINARY), {});
    } else {
        m_process.start(launcher.first(), launcher.mid(1) << QStringLiteral(QUILLET_BINARY));
    }
    m_process.waitForStarted();
}

QuilletProcess::~QuilletProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

void QuilletProcess::collect() {
    m_output += QString::fromLocal8Bit(m_process.readAllStandardOutput());
    m_errors += QString::fromLocal8Bit(m_process.readAllStandardError());
}

bool QuilletProcess::waitForLogLine(const QString& text, std::chrono::milliseconds deadline) {
    return testing_support::waitUntil(
        [&] {
            collect();
            return m_output.contains(text);
        },
        deadline);
}

bool QuilletProcess::waitForExit(std::chrono::milliseconds deadline) {
    const bool exited = testing_support::waitUntil([&] { return m_process.state() == QProcess::NotRunning; }, deadline);
    collect();
    return exited;
}

QStringList QuilletProcess::logLines() {
    collect();
    return m_output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString QuilletProcess::standardError() {
    collect();
    return m_errors;
}

void QuilletProcess::spinUntilReady(const std::function<bool()>& ready) {
    while (!testing_support::waitUntil(ready, std::chrono::minutes(1))) {
    }
}

void QuilletProcess::sendSignal(int signal) {
    ::kill(static_cast<pid_t>(m_process.processId()), signal);
}
