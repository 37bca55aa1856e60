#pragma once

#include <QObject>
#include <functional>

// The session bus's StatusNotifierItem hosts, told as Qt tells them before it shows a tray
// icon over D-Bus: a registered org.kde.StatusNotifierWatcher that reports a host. Never waits
// on the bus: a watcher may hang.
class StatusNotifierWatch final : public QObject {
    Q_OBJECT
public:
    using Answer = std::function<void(bool hostRegistered)>;

    // Asks the bus; the answer comes from the event loop. No session bus, no watcher, or a
    // watcher that does not answer within 10 s, mean no host.
    void askHostRegistered(Answer answer);

    // Asks again; hostsGone() follows when no host is left or the watcher is gone. A check still
    // open is not asked twice.
    void check();

signals:
    void hostsGone();

private:
    bool m_checking = false;
};
