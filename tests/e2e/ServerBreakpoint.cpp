#include "ServerBreakpoint.h"

#include "support/EventLoop.h"

#include <csignal>

namespace e2e {

ServerBreakpoint::ServerBreakpoint(qint64 pid, const QString& function) {
    m_gdb.setProcessChannelMode(QProcess::MergedChannels);
    m_gdb.start(QStringLiteral("gdb"),
                {QStringLiteral("-q"), QStringLiteral("-nx"), QStringLiteral("-p"), QString::number(pid),
                 QStringLiteral("-ex"), QStringLiteral("set pagination off"), QStringLiteral("-ex"),
                 QStringLiteral("set confirm off"), QStringLiteral("-ex"), QStringLiteral("break ") + function,
                 QStringLiteral("-ex"), QStringLiteral("continue")});
    m_set = m_gdb.waitForStarted() && waitForOutput(QStringLiteral("Continuing."), std::chrono::seconds(60));
}

ServerBreakpoint::~ServerBreakpoint() {
    release();
}

bool ServerBreakpoint::waitForOutput(const QString& text, std::chrono::milliseconds deadline) {
    return testing_support::waitUntil(
        [&] {
            m_output += QString::fromLocal8Bit(m_gdb.readAll());
            return m_output.contains(text);
        },
        deadline);
}

bool ServerBreakpoint::waitForHit(std::chrono::milliseconds deadline) {
    m_held = m_set && waitForOutput(QStringLiteral("Breakpoint 1, "), deadline);
    return m_held;
}

void ServerBreakpoint::run(const QString& command) {
    m_gdb.write((command + QLatin1Char('\n')).toLocal8Bit());
}

void ServerBreakpoint::release() {
    if (m_gdb.state() == QProcess::NotRunning) {
        return;
    }
    if (!m_held) {
        ::kill(static_cast<pid_t>(m_gdb.processId()), SIGINT); // gdb stops the server and takes commands again
    }
    run(QStringLiteral("delete"));
    run(QStringLiteral("detach"));
    run(QStringLiteral("quit"));
    m_gdb.closeWriteChannel();
    if (!testing_support::waitUntil([&] { return m_gdb.state() == QProcess::NotRunning; }, std::chrono::seconds(30))) {
        m_gdb.kill();
        m_gdb.waitForFinished();
    }
}

} // namespace e2e
