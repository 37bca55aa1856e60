#include "SystemTrayIcon.h"

#include <QCursor>
#include <QObject>
#include <QSystemTrayIcon>

namespace {

TrayIcon::Activation toActivation(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger: return TrayIcon::Activation::Trigger;
    case QSystemTrayIcon::DoubleClick: return TrayIcon::Activation::DoubleClick;
    case QSystemTrayIcon::Context: return TrayIcon::Activation::Context;
    case QSystemTrayIcon::MiddleClick: return TrayIcon::Activation::MiddleClick;
    case QSystemTrayIcon::Unknown: break;
    }
    return TrayIcon::Activation::Unknown;
}

} // namespace

SystemTrayIcon::SystemTrayIcon() : m_context(std::make_unique<QObject>()) {}

SystemTrayIcon::~SystemTrayIcon() = default;

// The shell answers at once; the answer still comes from the event loop, as the interface promises.
void SystemTrayIcon::askAvailable(AvailabilityHandler answer) {
    QMetaObject::invokeMethod(
        m_context.get(), [answer = std::move(answer)] { answer(QSystemTrayIcon::isSystemTrayAvailable()); },
        Qt::QueuedConnection);
}

// The window pops its menu up itself on the right-click, so the icon carries none.
void SystemTrayIcon::add(const TrayIconData& data) {
    if (!m_icon) {
        createIcon();
    }
    m_icon->setIcon(data.icon);
    m_icon->setToolTip(data.tip);
    m_icon->show();
}

void SystemTrayIcon::remove() {
    if (m_icon) {
        m_icon->hide();
    }
}

void SystemTrayIcon::setActivationHandler(ActivationHandler handler) {
    m_handler = std::move(handler);
}

void SystemTrayIcon::setGoneHandler(GoneHandler) {}

void SystemTrayIcon::createIcon() {
    m_icon = std::make_unique<QSystemTrayIcon>();
    QObject::connect(m_icon.get(), &QSystemTrayIcon::activated, m_icon.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         const QPoint position = QCursor::pos();
                         QMetaObject::invokeMethod(
                             m_icon.get(), [this, reason, position] { deliver(toActivation(reason), position); },
                             Qt::QueuedConnection);
                     });
}

void SystemTrayIcon::deliver(Activation activation, const QPoint& globalPosition) {
    if (m_handler) {
        m_handler(activation, globalPosition);
    }
}
