#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

// Turns SIGINT and SIGTERM into a signal on the GUI thread, so that Ctrl+C and a
// service manager stop the program the way its exit command does. Also ignores
// SIGPIPE, so that a closed standard output cannot end the server. One per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Catches the two signals from here on, and unblocks them should the parent have blocked
    // them. Needs no Qt object: call it first in main, so that no signal is lost in start-up.
    static void catchSignals();
    // Whether either signal has come since they were caught.
    static bool requested();

    // Reports the signals on the event loop, including one that came before it was made.
    TerminationSignals();
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};
