#include "StatusNotifierWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
// A watcher that takes longer to answer counts as gone.
constexpr int kAnswerTimeoutMilliseconds = 10000;

// Without a watcher on the bus the bus itself answers at once; none is started for the question.
QDBusMessage askForHosts() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    get.setAutoStartService(false);
    return get;
}

bool saysHostRegistered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

} // namespace

void StatusNotifierWatch::askHostRegistered(Answer answer) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) { // a call would never finish
        QMetaObject::invokeMethod(
            this, [answer = std::move(answer)] { answer(false); }, Qt::QueuedConnection);
        return;
    }
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(askForHosts(), kAnswerTimeoutMilliseconds), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [answer = std::move(answer)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                answer(saysHostRegistered(finished->reply()));
            });
}

void StatusNotifierWatch::check() {
    if (m_checking) {
        return;
    }
    m_checking = true;
    askHostRegistered([this](bool hostRegistered) {
        m_checking = false;
        if (!hostRegistered) {
            emit hostsGone();
        }
    });
}
