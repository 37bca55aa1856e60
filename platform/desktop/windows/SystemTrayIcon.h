#pragma once

#include "TrayIcon.h"

#include <functional>
#include <memory>

class QObject;
class QSystemTrayIcon;

// The notification area of the Windows shell through QSystemTrayIcon: a double-click brings the
// window back and a right-click reaches the window, which pops its menu up at the mouse. The shell
// puts the icon back by itself when Explorer restarts, so the icon never goes away with its tray.
// Activations and answers reach the handlers from the event loop, so a handler may remove the icon.
class SystemTrayIcon final : public TrayIcon {
public:
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
    void createIcon();
    void deliver(Activation activation, const QPoint& globalPosition);

    std::unique_ptr<QObject> m_context; // of the answers, so none comes after the icon is gone
    std::unique_ptr<QSystemTrayIcon> m_icon;
    ActivationHandler m_handler;
};
