#include "WebPageReader.h"

#include "PendingLookups.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {

QNetworkRequest pageRequest(const std::string& pageAddress) {
    QNetworkRequest request(QUrl(QString::fromStdString(pageAddress)));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Cache-Control", "no-cache");
    return request;
}

// Spins a local event loop until the reply has `wanted` body bytes ready or has ended, or the bound
// has passed; answers whether the bytes are there to read.
bool waitForBody(QNetworkReply& reply, qint64 wanted, std::chrono::milliseconds bound) {
    const auto ready = [&reply, wanted] { return reply.isFinished() || reply.bytesAvailable() >= wanted; };
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&reply, &QNetworkReply::readyRead, &loop, [&loop, &ready] {
        if (ready()) {
            loop.quit();
        }
    });
    deadline.start(bound);
    if (!ready()) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return ready();
}

} // namespace

WebPageReader::WebPageReader(std::chrono::milliseconds bound) : m_bound(bound) {}

std::size_t WebPageReader::readStart(const std::string& pageAddress, std::span<char> area) const {
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkReply* reply = manager.get(pageRequest(pageAddress)); // owned by the manager
    const auto wanted = static_cast<qint64>(area.size());
    if (!waitForBody(*reply, wanted, m_bound)) {
        if (!reply->isFinished() && reply->bytesAvailable() == 0) {
            PendingLookups::abandoned(); // nothing came back, so the host's name may still be resolving
        }
        return 0;
    }
    const qint64 count = reply->read(area.data(), wanted);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}
