#include "ServiceNotifier.h"

#include "ServiceManager.h"

#include <QStringList>
#include <algorithm>

namespace {

QString statusAssignment(const QString& line) {
    QString oneLine = line;
    return QStringLiteral("STATUS=") + oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

ServiceNotifier::ServiceNotifier() {
    m_statusDelay.setSingleShot(true);
    connect(&m_statusDelay, &QTimer::timeout, this, &ServiceNotifier::sendStatus);
    if (const auto timeout = ServiceManager::watchdogTimeout()) {
        // Twice per timeout, as the protocol advises, so one late ping is not yet a miss.
        const auto half = std::chrono::duration_cast<std::chrono::milliseconds>(*timeout / 2);
        m_watchdog.setInterval(std::max(half, std::chrono::milliseconds(1)));
        connect(&m_watchdog, &QTimer::timeout, this, [this] { ServiceManager::notify("WATCHDOG=1"); });
        m_watchdog.start();
    }
}

void ServiceNotifier::addStatusPart(StatusPart part) {
    m_parts.push_back(std::move(part));
}

QString ServiceNotifier::statusLine() const {
    QStringList texts;
    for (const StatusPart& part : m_parts) {
        texts << part();
    }
    return texts.join(QStringLiteral(", "));
}

void ServiceNotifier::ready() {
    m_statusDelay.stop();
    m_sinceStatus.start();
    ServiceManager::notify((QStringLiteral("READY=1\n") + statusAssignment(statusLine())).toStdString());
}

void ServiceNotifier::statusChanged() {
    if (m_statusDelay.isActive()) {
        return; // the pending update will carry this change too
    }
    const auto since =
        std::chrono::milliseconds(m_sinceStatus.isValid() ? m_sinceStatus.elapsed() : kStatusSpacing.count());
    if (since >= kStatusSpacing) {
        sendStatus();
    } else {
        m_statusDelay.start(kStatusSpacing - since);
    }
}

void ServiceNotifier::stopping() {
    m_statusDelay.stop();
    ServiceManager::notify("STOPPING=1");
}

void ServiceNotifier::sendStatus() {
    m_sinceStatus.start();
    ServiceManager::notify(statusAssignment(statusLine()).toStdString());
}
