#pragma once

#include <QObject>

// The session bus's StatusNotifierItem hosts, told as Qt tells them before it shows a tray
// icon over D-Bus: a registered org.kde.StatusNotifierWatcher that reports a host.
class StatusNotifierWatch final : public QObject {
    Q_OBJECT
public:
    // Asks the bus now; false without a session bus or when the watcher does not answer soon.
    static bool hostRegistered();

    // Asks again without waiting for the answer; hostsGone() follows when no host is left or
    // the watcher is gone. A question still open is not asked twice.
    void check();

signals:
    void hostsGone();

private:
    bool m_asking = false;
};
