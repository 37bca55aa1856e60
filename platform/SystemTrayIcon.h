#pragma once

#include "TrayIcon.h"

#include <memory>

class QSystemTrayIcon;

// The desktop's tray through QSystemTrayIcon. Activations reach the handler from the event
// loop after Qt has finished with the mouse event, so the handler may remove the icon.
class SystemTrayIcon final : public TrayIcon {
public:
    SystemTrayIcon();
    ~SystemTrayIcon() override;
    SystemTrayIcon(const SystemTrayIcon&) = delete;
    SystemTrayIcon& operator=(const SystemTrayIcon&) = delete;

    bool isAvailable() const override;
    void add(const TrayIconData& data) override;
    void remove() override;
    void setActivationHandler(ActivationHandler handler) override;

private:
    void deliver(Activation activation, const QPoint& globalPosition);

    std::unique_ptr<QSystemTrayIcon> m_icon;
    ActivationHandler m_handler;
};
