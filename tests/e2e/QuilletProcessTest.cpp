#include "QuilletProcess.h"
#include "NotifySocket.h"

#include "support/LoopbackPeer.h"
#include "support/QtPrinters.h"

#include <QDateTime>
#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>
#include <utility>

namespace {

const QRegularExpression kStamp(QStringLiteral(R"(^\[\d{4}\.\d{2}\.\d{2} \d{2}:\d{2}:\d{2}\] )"));

QString replyFor(const QDateTime& moment) {
    return moment.toString(QStringLiteral("yyyyMMddHHmm"));
}

TEST(QuilletProcessTest, StartsListeningAndLogsItsStartUpOnStandardOutput) {
    QuilletProcess quillet;
    ASSERT_TRUE(quillet.waitForLogLine(QStringLiteral("] Clock: "))) << quillet.standardError();
    const QStringList lines = quillet.logLines();
    ASSERT_EQ(lines.size(), 5);
    const QStringList texts = {"Local IP: 127.0.0.1", "Bound", "Port: 10325", "Listening", "Clock: "};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(kStamp.match(lines[i]).hasMatch()) << lines[i];
        EXPECT_TRUE(lines[i].mid(22).startsWith(texts[i])) << lines[i];
    }
}

TEST(QuilletProcessTest, AStationGetsTheCurrentTimeAsTwelveDigits) {
    QuilletProcess quillet;
    ASSERT_TRUE(quillet.waitForListening());
    const QDateTime before = QDateTime::currentDateTime();
    const std::string reply = testing_support::requestReply(QuilletProcess::kPort);
    const QDateTime after = QDateTime::currentDateTime();
    const QString text = QString::fromStdString(reply);
    EXPECT_TRUE(text == replyFor(before) || text == replyFor(after)) << reply;
    EXPECT_TRUE(quillet.waitForLogLine(QStringLiteral("RQST: [127.0.0.1]")));
}

TEST(QuilletProcessTest, APortHeldByAnotherProgramEndsTheStartUpWithTheError) {
    testing_support::RivalListener other(QuilletProcess::kPort);
    ASSERT_TRUE(other.listening());
    QuilletProcess quillet;
    ASSERT_TRUE(quillet.waitForExit());
    EXPECT_EQ(quillet.exitCode(), 1);
    EXPECT_TRUE(quillet.standardError().contains("Error 10048: Address already in use.")) << quillet.standardError();
    EXPECT_EQ(quillet.logLines().filter(QStringLiteral("] Error 10048: Address already in use.")).size(), 1);
}

TEST(QuilletProcessTest, InterruptAndTerminateLeaveLikeTheExitCommand) {
    for (const int signal : {SIGINT, SIGTERM}) {
        QuilletProcess quillet;
        ASSERT_TRUE(quillet.waitForListening());
        EXPECT_FALSE(testing_support::requestReply(QuilletProcess::kPort).empty());
        quillet.sendSignal(signal);
        ASSERT_TRUE(quillet.waitForExit());
        EXPECT_FALSE(quillet.crashed());
        EXPECT_EQ(quillet.exitCode(), 0) << signal;
        EXPECT_EQ(testing_support::LoopbackPeer::connectTo(QuilletProcess::kPort), nullptr);
    }
}

// A terminal's hang-up and stray signals leave the same way, and the log says which signal it was.
TEST(QuilletProcessTest, AHangUpOrAStraySignalLeavesLikeTheExitCommandAndLogsWhy) {
    const std::pair<int, const char*> endings[] = {
        {SIGHUP, "SIGHUP"}, {SIGQUIT, "SIGQUIT"}, {SIGUSR1, "SIGUSR1"}, {SIGUSR2, "SIGUSR2"}, {SIGALRM, "SIGALRM"}};
    for (const auto& [signal, name] : endings) {
        NotifySocket manager;
        // As a terminal starts it: a hang-up not ignored by the parent.
        QuilletProcess quillet({manager.environmentEntry()}, {}, [] { std::signal(SIGHUP, SIG_DFL); });
        ASSERT_TRUE(manager.waitFor(QStringLiteral("READY=1"))) << quillet.standardError();
        quillet.sendSignal(signal);
        ASSERT_TRUE(quillet.waitForExit()) << name;
        EXPECT_FALSE(quillet.crashed()) << name;
        EXPECT_EQ(quillet.exitCode(), 0) << name;
        EXPECT_TRUE(manager.received().contains(QStringLiteral("STOPPING=1"))) << name;
        EXPECT_TRUE(quillet.logLines().constLast().endsWith(QStringLiteral("] Leaving on ") + QLatin1String(name)))
            << quillet.logLines().join(QLatin1Char('\n'));
    }
}

} // namespace
