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
    TerminationSignals();
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};
