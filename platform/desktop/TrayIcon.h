#pragma once

#include <QIcon>
#include <QPoint>
#include <QString>
#include <functional>

class QMenu;

// What the window hands the tray when it adds its icon.
struct TrayIconData {
    QIcon icon;
    QString tip;
    // The icon's menu, for trays that draw it themselves (StatusNotifierItem hosts).
    QMenu* menu = nullptr;
};

// The notification-area icon. The program uses the desktop's tray; tests stand in one of
// their own that records what it was asked to do and reports mouse actions on demand.
class TrayIcon {
public:
    // Primary is a tray host's own activation of the icon (a StatusNotifierItem host's left
    // click), where no double-click can ever arrive.
    enum class Activation { Trigger, DoubleClick, Primary, Context, MiddleClick, Unknown };
    // A mouse action on the icon, with the mouse position on the screen.
    using ActivationHandler = std::function<void(Activation activation, const QPoint& globalPosition)>;
    // The tray that showed the icon went away, and the icon with it.
    using GoneHandler = std::function<void()>;

    virtual ~TrayIcon() = default;

    using AvailabilityHandler = std::function<void(bool available)>;

    // Asks whether the desktop has a tray to show an icon in, never waiting on the desktop: the
    // answer comes at once or later from the event loop. The thread that asks also serves the
    // stations, and a tray host may be slow to answer or never answer.
    virtual void askAvailable(AvailabilityHandler answer) = 0;
    // Shows the icon with its tip; adding it again replaces it, so there is one icon at most.
    virtual void add(const TrayIconData& data) = 0;
    // Removes the icon; harmless when none is shown.
    virtual void remove() = 0;
    virtual void setActivationHandler(ActivationHandler handler) = 0;
    virtual void setGoneHandler(GoneHandler handler) = 0;
};
