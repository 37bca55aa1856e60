#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace testing_support {

namespace {
// Spins until the condition holds or the timer expires; the ticker keeps the loop
// waking so a condition that changes without any event is still seen promptly.
bool spin(const std::function<bool()>& condition, std::chrono::milliseconds duration) {
    QDeadlineTimer deadline(duration);
    QTimer ticker;
    ticker.start(5);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return condition();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
} // namespace

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    return spin(condition, deadline);
}

void processPendingEvents() {
    constexpr int kRounds = 4; // a notification, the message it posts, and what that one posts
    for (int round = 0; round < kRounds; ++round) {
        bool reached = false;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&reached] { reached = true; }, Qt::QueuedConnection);
        spin([&reached] { return reached; }, 5s);
    }
}

} // namespace testing_support
