#include "ClockWatch.h"
#include "ServiceFixture.h"

#include <QRegularExpression>

using namespace std::chrono_literals;
using State = ClockReading::State;

namespace {

const QString kNotSynchronised =
    QStringLiteral("Clock: not synchronised; stations receive this computer's time as it stands");

class ClockWatchTest : public ServiceFixture {
protected:
    QStringList clockLines() const { return logTexts().filter(QRegularExpression(QStringLiteral("^Clock: "))); }
    QStringList logTexts() const {
        QStringList texts;
        for (const QString& line : logLines()) {
            texts << line.section(QStringLiteral("] "), 1); // after the stamp
        }
        return texts;
    }
    void check() { service->clockWatch().check(); }
    void setClock(const QDateTime& moment) {
        clock = [moment] { return moment; };
    }
    // What a station receives, and how its stream ended.
    std::string stationReceives() {
        auto station = connectStation();
        EXPECT_TRUE(station->waitForEnd());
        EXPECT_FALSE(station->wasReset());
        return station->received();
    }
};

TEST_F(ClockWatchTest, StartUpLogsTheClockStateRightAfterListening) {
    const std::vector<std::pair<ClockReading, QString>> cases = {
        {{State::Synchronised, 0us, false}, "Clock: synchronised, maximum error 0 ms"},
        {{State::Synchronised, 15'999'001us, false}, "Clock: synchronised, maximum error 16000 ms"},
        {{State::NotSynchronised, 16'000'000us, false}, kNotSynchronised},
        {{State::Unknown, 0us, false}, "Clock: state unknown"},
    };
    for (const auto& [reading, line] : cases) {
        SetUp();
        clockHealth->reading = reading;
        load();
        const QStringList texts = logTexts();
        EXPECT_EQ(texts.mid(3), QStringList({"Listening", line}));
    }
}

TEST_F(ClockWatchTest, ChangesOfStateAreLoggedButChangesOfTheErrorAloneAreNot) {
    load();
    clockHealth->reading.maxError = 900'000us;
    check();
    clockHealth->reading = {State::NotSynchronised, 16'000'000us, false};
    check();
    check();
    clockHealth->reading = {State::Unknown, 0us, false};
    check();
    clockHealth->reading = {State::Synchronised, 41'200us, false};
    check();
    EXPECT_EQ(clockLines(), QStringList({"Clock: synchronised, maximum error 2 ms", kNotSynchronised,
                                         "Clock: state unknown", "Clock: synchronised, maximum error 42 ms"}));
    EXPECT_EQ(service->clockWatch().stateText(), "clock synchronised");
}

TEST_F(ClockWatchTest, StepsOfASecondOrMoreAreLoggedAndTheStateIsReadAtOnce) {
    load();
    clockHealth->step(999ms);
    clockHealth->step(-999ms);
    clockHealth->step(1'499ms);
    clockHealth->reading.state = State::NotSynchronised;
    clockHealth->step(-3'600'500ms);
    EXPECT_EQ(clockLines(), QStringList({"Clock: synchronised, maximum error 2 ms", "Clock: set forward by 1 s",
                                         "Clock: set back by 3601 s", kNotSynchronised}));
}

TEST_F(ClockWatchTest, ALeapSecondIsAnnouncedOncePerDay) {
    clockHealth->reading.leapSecondDue = true;
    setClock(QDateTime(QDate(2027, 6, 30), QTime(12, 0), Qt::UTC));
    load();
    check();
    setClock(QDateTime(QDate(2027, 12, 31), QTime(12, 0), Qt::UTC));
    check();
    check();
    EXPECT_EQ(clockLines(),
              QStringList({"Clock: synchronised, maximum error 2 ms", "Clock: leap second due at the end of the day",
                           "Clock: leap second due at the end of the day"}));
}

TEST_F(ClockWatchTest, AClockBeforeTheReleaseIsNeverServedAndSaidSoOnce) {
    setClock(QDateTime(QDate(1970, 1, 1), QTime(0, 0, 5)));
    load();
    EXPECT_EQ(clockLines().last(), "Clock: reads 1970.01.01 00:00, before this version was released; "
                                   "no replies until it is set");
    EXPECT_EQ(service->clockWatch().stateText(), "clock impossible, no replies");
    EXPECT_EQ(stationReceives(), "");
    EXPECT_EQ(stationReceives(), "");
    EXPECT_EQ(text("lblSent"), "0"); // nothing was sent to the first station
    EXPECT_EQ(logTexts().filter("Clock: reads").size(), 1);

    setClock(QDateTime(QDate(2027, 3, 1), QTime(9, 5)));
    clockHealth->step(1'772'355'895'000ms);
    EXPECT_EQ(clockLines().mid(2),
              QStringList({"Clock: set forward by 1772355895 s", "Clock: synchronised, maximum error 2 ms"}));
    EXPECT_EQ(stationReceives(), "202703010905");
}

TEST_F(ClockWatchTest, OnlyDatesFromTheReleaseDayToTheYear9999AreServed) {
    const QDate release = ClockWatch::releaseDate();
    ASSERT_TRUE(release.isValid());
    setClock(QDateTime(release.addDays(-1), QTime(23, 59, 59)));
    load();
    EXPECT_EQ(stationReceives(), "");
    setClock(QDateTime(release, QTime(0, 0)));
    EXPECT_EQ(stationReceives(), release.toString("yyyyMMdd").toStdString() + "0000");
    EXPECT_EQ(clockLines().last(), "Clock: synchronised, maximum error 2 ms"); // replies resumed
    setClock(QDateTime(QDate(9999, 12, 31), QTime(23, 59)));
    EXPECT_EQ(stationReceives(), "999912312359");
    setClock(QDateTime(QDate(10000, 1, 1), QTime(0, 0)));
    EXPECT_EQ(stationReceives(), "");
    EXPECT_EQ(clockLines().last(), "Clock: reads 10000.01.01 00:00, past the year 9999; no replies until it is set");
}

} // namespace
