#pragma once

#include <QProcess>
#include <QString>
#include <chrono>

namespace e2e {

// Holds the real server still where it enters a function, through gdb, so that a station
// can act at one precise moment of the server's work; then lets it go on untouched.
class ServerBreakpoint {
public:
    // Attaches to the process and sets the breakpoint; the server runs on until it is hit.
    ServerBreakpoint(qint64 pid, const QString& function);
    ~ServerBreakpoint();
    ServerBreakpoint(const ServerBreakpoint&) = delete;
    ServerBreakpoint& operator=(const ServerBreakpoint&) = delete;

    // False when gdb could not attach and set the breakpoint.
    bool isSet() const { return m_set; }
    // Spins the event loop until the server is held at the breakpoint; false at the deadline.
    bool waitForHit(std::chrono::milliseconds deadline = std::chrono::seconds(30));
    // Runs a gdb command in the held frame, such as "set var this->m_count = 1".
    void run(const QString& command);
    // Removes the breakpoint and detaches: the server goes on from where it was held.
    void release();
    QString transcript() const { return m_output; }

private:
    bool waitForOutput(const QString& text, std::chrono::milliseconds deadline);

    QProcess m_gdb;
    QString m_output;
    bool m_set = false;
    bool m_held = false;
};

} // namespace e2e
