#pragma once

#include <QIcon>
#include <QPoint>
#include <QString>
#include <functional>

// What the window hands the tray when it adds its icon.
struct TrayIconData {
    QIcon icon;
    QString tip;
};

// The notification-area icon. The program uses the desktop's tray; tests stand in one of
// their own that records what it was asked to do and reports mouse actions on demand.
class TrayIcon {
public:
    enum class Activation { Trigger, DoubleClick, Context, MiddleClick, Unknown };
    // A mouse action on the icon, with the mouse position on the screen.
    using ActivationHandler = std::function<void(Activation activation, const QPoint& globalPosition)>;

    virtual ~TrayIcon() = default;

    // False where the desktop has no tray to show an icon in.
    virtual bool isAvailable() const = 0;
    // Shows the icon with its tip; adding it again replaces it, so there is one icon at most.
    virtual void add(const TrayIconData& data) = 0;
    // Removes the icon; harmless when none is shown.
    virtual void remove() = 0;
    virtual void setActivationHandler(ActivationHandler handler) = 0;
};
