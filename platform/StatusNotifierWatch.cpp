#include "StatusNotifierWatch.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
// The window thread waits this long at most for a watcher that hangs.
constexpr int kBlockingTimeoutMilliseconds = 1000;
// A watcher that takes longer to answer a question asked in the background counts as gone.
constexpr int kBackgroundTimeoutMilliseconds = 10000;

QDBusMessage askForHosts() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    return get;
}

bool saysHostRegistered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

} // namespace

bool StatusNotifierWatch::hostRegistered() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWatcherService)) {
        return false;
    }
    return saysHostRegistered(bus.call(askForHosts(), QDBus::Block, kBlockingTimeoutMilliseconds));
}

void StatusNotifierWatch::check() {
    if (m_asking) {
        return;
    }
    m_asking = true;
    auto* answer = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(askForHosts(), kBackgroundTimeoutMilliseconds), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        m_asking = false;
        if (!saysHostRegistered(finished->reply())) {
            emit hostsGone();
        }
    });
}
