#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

// Keeps the service manager told how the program stands: READY once the port accepts, a
// one-line STATUS at each change but at most one a second, STOPPING on the way out, and a
// watchdog ping from a timer of its own, so that only a wedged event loop starves it.
class ServiceNotifier : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kStatusSpacing{1000};

    // One part of the status line, asked for its text at each update; parts are joined by ", ".
    using StatusPart = std::function<QString()>;

    // Starts the watchdog's timer when the service manager keeps a watchdog.
    ServiceNotifier();

    void addStatusPart(StatusPart part);
    QString statusLine() const;

    void ready();
    // Sends the status line now, or once a second has passed since the last one.
    void statusChanged();
    void stopping();

private:
    void sendStatus();

    std::vector<StatusPart> m_parts;
    QElapsedTimer m_sinceStatus;
    QTimer m_statusDelay;
    QTimer m_watchdog;
};
