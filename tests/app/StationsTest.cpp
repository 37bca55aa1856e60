// The service's table of stations as real stations on 127.0.0.x fill it, with the service's
// clock moved by the test: the silence lines, the outcome of each kind of request, and the
// Stations window.
#include "ClockWatch.h"
#include "ServiceFixture.h"
#include "StationsModel.h"
#include "frmStations.h"

#include <QAction>
#include <QTableView>

using testing_support::loopbackHost;
using testing_support::LoopbackPeer;
using testing_support::waitUntil;
using namespace std::chrono_literals;

namespace {

class StationsTest : public ServiceFixture {
protected:
    void SetUp() override {
        clock = [this] { return now; };
        ServiceFixture::SetUp();
        load();
    }

    void setTime(int hour, int minute, int second = 0) {
        now = QDateTime(QDate(2027, 3, 1), QTime(hour, minute, second));
    }

    void askAt(std::uint8_t host, int hour, int minute) {
        setTime(hour, minute);
        EXPECT_EQ(testing_support::requestReply(reserved.port(), 5s, loopbackHost(host)).size(), 12u);
        ASSERT_TRUE(waitUntil([&] { return rowOf(host) && rowOf(host)->outcome; })); // its connection is over
    }

    // A station that connects and is let go as the step says; answers what it received.
    std::string visit(std::uint8_t host, const std::function<void()>& step) {
        std::unique_ptr<LoopbackPeer> station;
        EXPECT_TRUE(waitUntil(
            [&] { return (station = LoopbackPeer::connectTo(reserved.port(), loopbackHost(host))) != nullptr; }));
        EXPECT_TRUE(waitUntil([&] { return rowOf(host) != nullptr; })); // the request is accepted
        step();
        EXPECT_TRUE(station->waitForEnd());
        EXPECT_TRUE(waitUntil([&] { return rowOf(host)->outcome.has_value(); }));
        return station->received();
    }

    void checkAt(int hour, int minute, int second = 0) {
        setTime(hour, minute, second);
        service->clockWatch().check();
    }

    const StationRow* rowOf(std::uint8_t host) const {
        const StationTable& table = service->stations();
        for (int index = 0; index < table.size(); ++index) {
            if (table.row(index).address == QStringLiteral("127.0.0.%1").arg(host)) {
                return &table.row(index);
            }
        }
        return nullptr;
    }

    QStringList stationLines() const { return logLines().filter("] Station "); }

    QDateTime now = QDateTime(QDate(2027, 3, 1), QTime(9, 0));
};

TEST_F(StationsTest, AStationThatStopsAskingIsNamedOnceAndAgainWhenItAsksAgain) {
    for (const int minute : {0, 5, 10}) {
        askAt(2, 9, minute); // every 5 min: silent after 15 min
    }
    askAt(3, 9, 0); // twice only: never named
    askAt(3, 9, 5);
    for (const int minute : {20, 21, 22}) {
        askAt(4, 9, minute); // every minute: silent after the shortest silence, 10 min
    }
    const QString silentTwo = "[2027.03.01 09:25:01] Station 127.0.0.2 silent: last request 09:10, usually every 5 min";
    const QString silentFour =
        "[2027.03.01 09:32:00] Station 127.0.0.4 silent: last request 09:22, usually every 1 min";
    checkAt(9, 25, 0);
    EXPECT_EQ(stationLines(), QStringList());
    checkAt(9, 25, 1);
    checkAt(9, 31, 59);
    EXPECT_EQ(stationLines(), QStringList{silentTwo});
    checkAt(9, 32, 0);
    checkAt(9, 40, 0);
    EXPECT_EQ(service->stations().summary(), "3 stations, 2 silent");

    askAt(2, 12, 20);
    const QStringList lines = logLines();
    EXPECT_EQ(stationLines(), QStringList({silentTwo, silentFour,
                                           "[2027.03.01 12:20:00] Station 127.0.0.2 asking again after 3 h 10 min"}));
    EXPECT_EQ(lines[lines.size() - 2], "[2027.03.01 12:20:00] RQST: [127.0.0.2]");
    EXPECT_EQ(service->stations().summary(), "3 stations, 1 silent");
    EXPECT_EQ(rowOf(2)->requests, 4);
    EXPECT_EQ(rowOf(2)->usualInterval(), std::chrono::minutes(5));
}

TEST_F(StationsTest, EachRowTellsHowItsLastRequestEndedAndAPausedServiceNamesNoStationSilent) {
    for (const int minute : {0, 5, 10}) {
        askAt(2, 9, minute);
    }
    EXPECT_EQ(rowOf(2)->stateText(), "asking, served");

    now = QDateTime(QDate(1970, 1, 1), QTime(0, 0, 12)); // a clock no reply may carry
    EXPECT_EQ(visit(3, [] {}), "");
    EXPECT_EQ(rowOf(3)->stateText(), "asking, withheld (impossible clock)");

    setTime(9, 12);
    EXPECT_EQ(visit(4, [this] { form->cmdPause_Click(); }), "");
    EXPECT_EQ(rowOf(4)->stateText(), "asking, failed: Socket Closed");

    checkAt(23, 0); // nothing listens, so the stations' silence is the pause's
    EXPECT_EQ(stationLines(), QStringList());
    form->cmdPause_Click();
    checkAt(23, 0);
    EXPECT_EQ(stationLines().size(), 1);
    EXPECT_EQ(rowOf(2)->stateText(), "silent, served");
    EXPECT_EQ(rowOf(2)->requests, 3);
}

TEST_F(StationsTest, TheStationsWindowListsThemAsTheyAskAndMarksTheSilentOne) {
    for (const int minute : {0, 5, 10}) {
        askAt(2, 9, minute);
    }
    askAt(3, 9, 11);

    const QString logBefore = logText();
    form->findChild<QAction*>("mnuStations")->trigger();
    const auto* window = form->findChild<frmStations*>("frmStations");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(logText(), logBefore);
    const QAbstractItemModel* grid = window->findChild<QTableView*>("grdStations")->model();
    const auto rowText = [grid](int row) {
        QStringList cells;
        for (int column = 0; column < grid->columnCount(); ++column) {
            cells << grid->index(row, column).data().toString();
        }
        return cells;
    };
    ASSERT_EQ(grid->rowCount(), 2); // the latest to ask first
    EXPECT_EQ(rowText(0),
              QStringList({"127.0.0.3", "1", "2027.03.01 09:11:00", "2027.03.01 09:11:00", "-", "asking, served"}));
    EXPECT_EQ(rowText(1),
              QStringList({"127.0.0.2", "3", "2027.03.01 09:00:00", "2027.03.01 09:10:00", "5 min", "asking, served"}));

    askAt(4, 9, 12);
    checkAt(9, 30);
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(rowText(0).first(), "127.0.0.4");
    EXPECT_EQ(rowText(2).mid(0, 2), QStringList({"127.0.0.2", "3"}));
    EXPECT_EQ(rowText(2).last(), "silent, served");
    EXPECT_EQ(grid->index(2, StationsModel::Address).data(Qt::ForegroundRole).value<QColor>(), QColor(192, 0, 0));
    EXPECT_FALSE(grid->index(0, StationsModel::Address).data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(window->findChild<QLabel*>("lblStations")->text(), "3 stations, 1 silent");

    window->findChild<QTableView*>("grdStations")->sortByColumn(StationsModel::Requests, Qt::DescendingOrder);
    EXPECT_EQ(rowText(0).first(), "127.0.0.2");

    const QString logOpen = logText();
    form->findChild<frmStations*>("frmStations")->close();
    EXPECT_TRUE(waitUntil([this] { return form->findChild<frmStations*>() == nullptr; }));
    EXPECT_EQ(logText(), logOpen);
    EXPECT_FALSE(service->isPaused());
}

} // namespace
