#pragma once

#include "TrayIcon.h"

#include <QTimer>
#include <functional>
#include <memory>

class QSystemTrayIcon;
class StatusNotifierWatch;

// The desktop's tray through QSystemTrayIcon, over a StatusNotifierItem host on the session
// bus where one is registered, else in an X11 (XEmbed) tray. Activations, the tray's going
// away and the answers about it reach the handlers from the event loop, so a handler may
// remove the icon.
class SystemTrayIcon final : public TrayIcon {
public:
    enum class Kind { None, StatusNotifier, XEmbed };

    SystemTrayIcon();
    ~SystemTrayIcon() override;
    SystemTrayIcon(const SystemTrayIcon&) = delete;
    SystemTrayIcon& operator=(const SystemTrayIcon&) = delete;

    void askAvailable(AvailabilityHandler answer) override;
    void add(const TrayIconData& data) override;
    void remove() override;
    void setActivationHandler(ActivationHandler handler) override;
    void setGoneHandler(GoneHandler handler) override;

private:
    // Asks which tray an icon added now would show in; the answer comes from the event loop.
    void askOfferedKind(std::function<void(Kind)> answer);
    void answerLater(std::function<void()> answer);
    void createIcon();
    void deliver(Activation activation, const QPoint& globalPosition);
    void checkTray();
    void trayGone();

    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<StatusNotifierWatch> m_hosts; // also the context of the answers
    Kind m_offered = Kind::None;                  // by the latest answer
    QTimer m_trayCheck;                           // runs while the icon is shown
    bool m_shown = false;
    ActivationHandler m_handler;
    GoneHandler m_goneHandler;
};
