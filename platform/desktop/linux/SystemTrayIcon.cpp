#include "SystemTrayIcon.h"

#include "StatusNotifierWatch.h"
#include "XEmbedTray.h"

#include <QCursor>
#include <QSystemTrayIcon>
#include <optional>

namespace {

// Qt picks D-Bus or XEmbed once per process, when it makes its first tray icon, and every later
// icon keeps that choice. The icon is therefore made only once a tray is there to choose.
std::optional<SystemTrayIcon::Kind> g_qtKind;

// A tray that went away while it showed the icon is noticed within about this time. Trays do
// not all say when they leave, so the program asks.
constexpr int kTrayCheckMilliseconds = 1000;

TrayIcon::Activation toActivation(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        // A host's Activate: SNI has no double-click, so this is the icon's main action.
        return g_qtKind == SystemTrayIcon::Kind::StatusNotifier ? TrayIcon::Activation::Primary
                                                                : TrayIcon::Activation::Trigger;
    case QSystemTrayIcon::DoubleClick: return TrayIcon::Activation::DoubleClick;
    case QSystemTrayIcon::Context: return TrayIcon::Activation::Context;
    case QSystemTrayIcon::MiddleClick: return TrayIcon::Activation::MiddleClick;
    case QSystemTrayIcon::Unknown: break;
    }
    return TrayIcon::Activation::Unknown;
}

} // namespace

SystemTrayIcon::SystemTrayIcon() : m_hosts(std::make_unique<StatusNotifierWatch>()) {
    m_trayCheck.setInterval(kTrayCheckMilliseconds);
    QObject::connect(&m_trayCheck, &QTimer::timeout, &m_trayCheck, [this] { checkTray(); });
}

SystemTrayIcon::~SystemTrayIcon() = default;

void SystemTrayIcon::askAvailable(AvailabilityHandler answer) {
    askOfferedKind([this, answer = std::move(answer)](Kind kind) {
        m_offered = kind;
        answer(kind != Kind::None);
    });
}

// A StatusNotifierItem host wins over an X11 tray, as it does in Qt's own choice. The X11 tray
// is asked of the X server, which answers at once.
void SystemTrayIcon::askOfferedKind(std::function<void(Kind)> answer) {
    if (g_qtKind == Kind::XEmbed) {
        answerLater([answer = std::move(answer)] { answer(XEmbedTray::present() ? Kind::XEmbed : Kind::None); });
        return;
    }
    m_hosts->askHostRegistered([answer = std::move(answer)](bool hostRegistered) {
        if (hostRegistered) {
            answer(Kind::StatusNotifier);
        } else {
            answer(!g_qtKind && XEmbedTray::present() ? Kind::XEmbed : Kind::None);
        }
    });
}

void SystemTrayIcon::answerLater(std::function<void()> answer) {
    QMetaObject::invokeMethod(m_hosts.get(), std::move(answer), Qt::QueuedConnection);
}

void SystemTrayIcon::add(const TrayIconData& data) {
    if (!m_icon) {
        createIcon();
    }
    m_icon->setIcon(data.icon);
    m_icon->setToolTip(data.tip);
    // An X11 tray leaves the right click to the window, which pops the menu up at the mouse.
    m_icon->setContextMenu(g_qtKind == Kind::StatusNotifier ? data.menu : nullptr);
    m_icon->show();
    m_shown = true;
    m_trayCheck.start();
}

void SystemTrayIcon::remove() {
    m_shown = false;
    m_trayCheck.stop();
    if (m_icon) {
        m_icon->hide();
    }
}

void SystemTrayIcon::setActivationHandler(ActivationHandler handler) {
    m_handler = std::move(handler);
}

void SystemTrayIcon::setGoneHandler(GoneHandler handler) {
    m_goneHandler = std::move(handler);
}

void SystemTrayIcon::createIcon() {
    if (!g_qtKind && m_offered != Kind::None) {
        g_qtKind = m_offered;
    }
    m_icon = std::make_unique<QSystemTrayIcon>();
    QObject::connect(m_icon.get(), &QSystemTrayIcon::activated, m_icon.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         const QPoint position = QCursor::pos();
                         QMetaObject::invokeMethod(
                             m_icon.get(), [this, reason, position] { deliver(toActivation(reason), position); },
                             Qt::QueuedConnection);
                     });
    if (g_qtKind == Kind::StatusNotifier) {
        QObject::connect(
            m_hosts.get(), &StatusNotifierWatch::hostsGone, m_icon.get(), [this] { trayGone(); }, Qt::QueuedConnection);
    }
}

void SystemTrayIcon::deliver(Activation activation, const QPoint& globalPosition) {
    if (m_handler) {
        m_handler(activation, globalPosition);
    }
}

void SystemTrayIcon::checkTray() {
    if (g_qtKind == Kind::StatusNotifier) {
        m_hosts->check();
    } else if (!XEmbedTray::present()) {
        trayGone();
    }
}

// The icon went with its tray; the window is told once.
void SystemTrayIcon::trayGone() {
    if (!m_shown) {
        return;
    }
    remove();
    if (m_goneHandler) {
        m_goneHandler();
    }
}
