#include "ServiceFixture.h"

#include <QPlainTextEdit>
#include <limits>

using testing_support::LoopbackPeer;
using testing_support::RivalListener;
using testing_support::waitUntil;
using namespace std::chrono_literals;

namespace {

class TimeServiceTest : public ServiceFixture {};

TEST_F(TimeServiceTest, StartUpShowsTheAddressAndLogsFiveStampedLines) {
    load();
    EXPECT_EQ(text("lblIP"), "192.0.2.10");
    const QString port = QString::number(reserved.port());
    EXPECT_EQ(logText(), "[2027.03.01 09:05:07] Local IP: 192.0.2.10\r\n"
                         "[2027.03.01 09:05:07] Bound\r\n"
                         "[2027.03.01 09:05:07] Port: " +
                             port +
                             "\r\n"
                             "[2027.03.01 09:05:07] Listening\r\n"
                             "[2027.03.01 09:05:07] Clock: synchronised, maximum error 2 ms");
    const auto* box = form->findChild<QPlainTextEdit*>(QStringLiteral("txtOutput"));
    EXPECT_EQ(box->toPlainText(), logText().replace("\r\n", "\n"));
    EXPECT_EQ(box->textCursor().position(), box->toPlainText().size());
    EXPECT_FALSE(timer()->isActive()); // no tick before the first request
    EXPECT_EQ(timer()->interval(), 0);
}

TEST_F(TimeServiceTest, StartsWithAnEmptyAddressWhenNoneIsFound) {
    localAddress.clear();
    load();
    EXPECT_EQ(text("lblIP"), "");
    EXPECT_EQ(logLines().first(), "[2027.03.01 09:05:07] Local IP: ");
    EXPECT_EQ(requestTime(), "202703010905");
}

TEST_F(TimeServiceTest, EachStationGetsTwelveDigitsThenTheEndOfTheStream) {
    load();
    auto station = connectStation();
    ASSERT_TRUE(station->waitForEnd());
    EXPECT_EQ(station->received(), "202703010905"); // leading zeros in month, day, hour and minute
    EXPECT_FALSE(station->wasReset());
    EXPECT_EQ(lastLogLine(), "[2027.03.01 09:05:07] RQST: [127.0.0.1]");
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 100);
}

TEST_F(TimeServiceTest, CountersShowRequestsAndTheBytesSentBeforeTheLatestRequest) {
    load();
    const std::vector<std::pair<QString, QString>> expected = {{"1", "0"}, {"2", "12"}, {"3", "24"}};
    for (const auto& [requests, sent] : expected) {
        EXPECT_EQ(requestTime(), "202703010905");
        EXPECT_EQ(text("lblConnections"), requests);
        EXPECT_EQ(text("lblSent"), sent);
        EXPECT_EQ(text("lblReceived"), "0");
    }
}

TEST_F(TimeServiceTest, WhatAStationSendsChangesNothingThatIsShown) {
    load();
    auto station = connectStation();
    station->send("GET TIME\r\n");
    ASSERT_TRUE(station->waitForEnd());
    EXPECT_EQ(station->received(), "202703010905");
    EXPECT_EQ(requestTime(), "202703010905");
    EXPECT_EQ(text("lblReceived"), "0");
}

TEST_F(TimeServiceTest, AStationThatLeavesAtOnceGetsNothingAndTheServiceListensAgain) {
    load();
    {
        auto station = connectStation();
        ASSERT_TRUE(waitUntil([&] { return logEndsWith("RQST: [127.0.0.1]"); }));
    }
    EXPECT_EQ(requestTime(), "202703010905");
    EXPECT_EQ(text("lblConnections"), "2");
}

TEST_F(TimeServiceTest, DateAndTimeNeverComeFromDifferentReadingsAroundMidnight) {
    // Each reading of the clock alternates between the last moment of one year and
    // the first of the next; a reply or stamp built from two readings would mix them.
    int readings = 0;
    clock = [&] {
        return ++readings % 2 == 1 ? QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 900))
                                   : QDateTime(QDate(2027, 1, 1), QTime(0, 0));
    };
    load();
    for (int i = 0; i < 4; ++i) {
        const std::string reply = requestTime();
        EXPECT_TRUE(reply == "202612312359" || reply == "202701010000") << reply;
    }
    for (const QString& line : logLines()) {
        EXPECT_TRUE(line.startsWith("[2026.12.31 23:59:59] ") || line.startsWith("[2027.01.01 00:00:00] ")) << line;
    }
}

TEST_F(TimeServiceTest, PausingWhileAStationWaitsClosesItWithoutAReply) {
    load();
    auto station = connectStation();
    ASSERT_TRUE(waitUntil([&] { return logEndsWith("RQST: [127.0.0.1]"); }));
    form->cmdPause_Click();
    EXPECT_EQ(lastLogLine(), "[2027.03.01 09:05:07] Socket Closed");
    EXPECT_EQ(button("cmdPause")->text(), "&Restart");
    EXPECT_FALSE(timer()->isActive());
    ASSERT_TRUE(station->waitForEnd());
    EXPECT_EQ(station->received(), "");
    EXPECT_EQ(LoopbackPeer::connectTo(reserved.port()), nullptr); // nothing listens while paused
}

TEST_F(TimeServiceTest, ARestartServesAgainWithRequestsCountedOnAndBytesFromTheNewObject) {
    load();
    requestTime();
    requestTime();
    EXPECT_EQ(text("lblSent"), "12");
    form->cmdPause_Click();
    form->cmdPause_Click();
    EXPECT_EQ(button("cmdPause")->text(), "&Pause");
    const QStringList lines = logLines();
    const QStringList tail = lines.mid(lines.size() - 4);
    const QString port = QString::number(reserved.port());
    EXPECT_EQ(tail, QStringList({"[2027.03.01 09:05:07] Socket Closed", "[2027.03.01 09:05:07] Bound",
                                 "[2027.03.01 09:05:07] Port: " + port, "[2027.03.01 09:05:07] Listening"}));
    EXPECT_EQ(requestTime(), "202703010905");
    EXPECT_EQ(text("lblConnections"), "3");
    EXPECT_EQ(text("lblSent"), "0");
}

TEST_F(TimeServiceTest, ARestartBeforeAnyRequestLeavesTheTimerIdle) {
    load();
    form->cmdPause_Click();
    form->cmdPause_Click();
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 0);
    EXPECT_EQ(requestTime(), "202703010905");
}

TEST_F(TimeServiceTest, ARestartThatCannotListenKeepsThePausedCaption) {
    load();
    form->cmdPause_Click();
    RivalListener rival(reserved.port());
    ASSERT_TRUE(rival.listening());
    form->cmdPause_Click();
    EXPECT_EQ(button("cmdPause")->text(), "&Restart");
    EXPECT_EQ(logLines().mid(logLines().size() - 2),
              QStringList({"[2027.03.01 09:05:07] Port: " + QString::number(reserved.port()),
                           "[2027.03.01 09:05:07] Error 10048: Address already in use."}));
    EXPECT_TRUE(service->isPaused()); // what the status line reports
}

TEST_F(TimeServiceTest, ATickThatCannotListenIsLoggedOnceAndTriedAgain) {
    tickByHand = true;
    SetUp();
    load();
    auto station = connectStation();
    ASSERT_TRUE(waitUntil([&] { return logEndsWith("RQST: [127.0.0.1]"); }));
    service->Timer1_Timer(); // the reply
    ASSERT_TRUE(station->waitForEnd());
    {
        RivalListener rival(reserved.port()); // takes the port before the service listens again
        ASSERT_TRUE(rival.listening());
        for (int tick = 0; tick < 4; ++tick) {
            service->Timer1_Timer();
        }
        EXPECT_TRUE(logEndsWith("Error 10048: Address already in use."));
        EXPECT_EQ(logLines().filter("Error 10048").size(), 1);
    }
    service->Timer1_Timer();
    auto next = connectStation();
    ASSERT_TRUE(waitUntil([&] { return logLines().filter("RQST").size() == 2; }));
    service->Timer1_Timer();
    ASSERT_TRUE(next->waitForEnd());
    EXPECT_EQ(next->received(), "202703010905");
}

TEST_F(TimeServiceTest, ARequestPastTheLargestCountIsAnsweredLoggedAndStillTrimsTheLog) {
    load();
    numbers::TotalRequests = std::numeric_limits<std::int32_t>::max();
    for (int line = 0; line < 200; ++line) {
        service->log().writebox(QStringLiteral("filler"), false);
    }
    EXPECT_EQ(requestTime(), "202703010905");
    const QStringList lines = logLines();
    EXPECT_EQ(lines.mid(lines.size() - 2),
              QStringList({"[2027.03.01 09:05:07] RQST: [127.0.0.1]", "[2027.03.01 09:05:07] Error 6: Overflow"}));
    EXPECT_EQ(lines.size(), 100);
    EXPECT_EQ(text("lblConnections"), "0"); // the counters and their labels stay as they were
    EXPECT_EQ(numbers::TotalRequests, std::numeric_limits<std::int32_t>::max());
}

TEST_F(TimeServiceTest, ExitStopsTheServiceAndFreesThePort) {
    load();
    requestTime();
    form->cmdExit_Click();
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(LoopbackPeer::connectTo(reserved.port()), nullptr);
    RivalListener next(reserved.port());
    EXPECT_TRUE(next.listening());
}

TEST_F(TimeServiceTest, ExitWhilePausedEndsWithoutAnError) {
    load();
    form->cmdPause_Click();
    form->mnuExit_Click();
    EXPECT_FALSE(timer()->isActive());
    EXPECT_FALSE(form->isVisible());
}

} // namespace
