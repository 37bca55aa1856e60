#include "NotifySocket.h"
#include "QuilletProcess.h"

#include "support/EventLoop.h"
#include "support/LoopbackPeer.h"
#include "support/QtPrinters.h"

#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// Whether the manager heard the status line, with the clock's state on this machine before the stations.
bool heardStatus(NotifySocket& manager, const QString& start, const QString& stations) {
    const QRegularExpression line(QRegularExpression::escape(start) +
                                  QStringLiteral(", clock (synchronised|not synchronised|state unknown), ") +
                                  QRegularExpression::escape(stations) + QLatin1Char('$'));
    return !manager.received().filter(line).isEmpty();
}

int watchdogPings(NotifySocket& manager) {
    return static_cast<int>(manager.received().count(QStringLiteral("WATCHDOG=1")));
}

// The program as systemd runs it with Type=notify and a watchdog, through the real protocol.
TEST(ServiceManagerTest, HearsReadyOnceThePortAcceptsThenAStatusLineThatFollowsTheRequests) {
    NotifySocket manager;
    QuilletProcess quillet({manager.environmentEntry(), QStringLiteral("WATCHDOG_USEC=400000")});
    ASSERT_TRUE(manager.waitFor(QStringLiteral("READY=1"))) << quillet.standardError();
    // Before any request nothing else ticks, yet the watchdog is fed.
    EXPECT_TRUE(testing_support::waitUntil([&] { return watchdogPings(manager) >= 2; }, std::chrono::seconds(20)));
    EXPECT_TRUE(heardStatus(manager, QStringLiteral("READY=1\nSTATUS=Address 127.0.0.1, 0 requests served, listening"),
                            QStringLiteral("0 stations, 0 silent")))
        << manager.received().join(QStringLiteral(" | ")).toStdString();

    const auto first = testing_support::LoopbackPeer::connectTo(QuilletProcess::kPort);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->waitForBytes(12));
    // Three requests inside a second: the status may wait, but ends up telling all three.
    for (int request = 1; request < 3; ++request) {
        EXPECT_EQ(testing_support::requestReply(QuilletProcess::kPort).size(), 12u);
    }
    EXPECT_TRUE(manager.waitFor(QStringLiteral("STATUS=Address 127.0.0.1, 3 requests served, listening, clock ")));
    EXPECT_TRUE(heardStatus(manager, QStringLiteral("STATUS=Address 127.0.0.1, 3 requests served, listening"),
                            QStringLiteral("1 station, 0 silent")))
        << manager.received().join(QStringLiteral(" | ")).toStdString();

    quillet.sendSignal(SIGTERM);
    ASSERT_TRUE(quillet.waitForExit());
    EXPECT_EQ(quillet.exitCode(), 0);
    EXPECT_TRUE(manager.received().contains(QStringLiteral("STOPPING=1")));
}

} // namespace
