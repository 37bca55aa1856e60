#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <memory>

// Turns every signal that would otherwise end the program on the spot (SIGTERM, SIGINT, a
// terminal's SIGHUP, SIGQUIT and stray ones such as SIGUSR1 or SIGALRM) into a signal on the GUI
// thread, so that the program leaves the way its exit command does. Ignores the terminal's stop
// signals, so that the server never stops itself and always hears SIGTERM, and SIGPIPE, so that a
// closed standard output cannot end it. One per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Catches the signals from here on, and unblocks them should the parent have blocked them.
    // A hang-up the parent ignores (nohup) stays ignored. Needs no Qt object: call it first in
    // main, so that no signal is lost in start-up.
    static void catchSignals();
    // Whether such a signal has come since they were caught.
    static bool requested();
    // The first of them that came, as "SIGHUP"; empty while none has.
    static QString requestedBy();

    // Reports the signals on the event loop, including one that came before it was made.
    TerminationSignals();
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};
