// The table of stations on its own, with the moments of the requests given: the usual interval
// and the bound.
#include "StationTable.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

using std::chrono::minutes;

const QDateTime kStart(QDate(2027, 3, 1), QTime(9, 0));

QString address(int number) {
    return QStringLiteral("10.0.%1.%2").arg(number / 256).arg(number % 256);
}

class StationTableTest : public ::testing::Test {
protected:
    void ask(const QString& station, int minute) { table.recordRequest(station, kStart.addSecs(minute * 60)); }
    const StationRow& rowOf(const QString& station) const {
        for (int index = 0; index < table.size(); ++index) {
            if (table.row(index).address == station) {
                return table.row(index);
            }
        }
        throw std::runtime_error("no row for " + station.toStdString());
    }

    QStringList lines;
    StationTable table{[this](const QString& text) { lines << text; }};
};

TEST_F(StationTableTest, TheUsualIntervalIsTheMedianOfTheSevenMostRecentGaps) {
    int minute = 0;
    ask("10.0.0.1", minute);
    EXPECT_FALSE(rowOf("10.0.0.1").usualInterval());
    for (const int gap : {4, 60, 6}) { // one long gap does not move the median
        ask("10.0.0.1", minute += gap);
    }
    EXPECT_EQ(rowOf("10.0.0.1").usualInterval(), minutes(6));
    ask("10.0.0.1", minute += 5); // an even count takes the mean of the middle two
    EXPECT_EQ(rowOf("10.0.0.1").usualInterval(), std::chrono::seconds(330));
    for (int gap = 0; gap < 3; ++gap) {
        ask("10.0.0.1", minute += 2);
    }
    EXPECT_EQ(rowOf("10.0.0.1").usualInterval(), minutes(4));
    for (int gap = 0; gap < 4; ++gap) { // seven gaps of 2 min have pushed all older ones out
        ask("10.0.0.1", minute += 2);
    }
    EXPECT_EQ(rowOf("10.0.0.1").usualInterval(), minutes(2));
    EXPECT_EQ(rowOf("10.0.0.1").requests, 12);
    EXPECT_EQ(rowOf("10.0.0.1").first(), kStart);
    EXPECT_EQ(rowOf("10.0.0.1").last(), kStart.addSecs(minute * 60));
}

TEST_F(StationTableTest, WhenFullTheStationThatAskedLongestAgoMakesRoomForTheNewcomer) {
    std::vector<int> added;
    table.setObserver([&](int row, bool isNew) {
        if (isNew) {
            added.push_back(row);
        }
    });
    for (const int minute : {0, 5, 10}) {
        ask(address(0), minute);
    }
    for (int number = 1; number < StationTable::kCapacity; ++number) {
        ask(address(number), 11);
    }
    table.checkSilence(kStart.addSecs(30 * 60));
    EXPECT_EQ(lines, QStringList{"Station 10.0.0.0 silent: last request 09:10, usually every 5 min"});
    ask(address(1), 31); // asks again, so station 2 is the next to make room

    ask("192.168.1.23", 32);
    ask("192.168.1.24", 33);
    EXPECT_EQ(table.size(), 4096);
    EXPECT_EQ(added.size(), 4096u);
    EXPECT_EQ(table.row(0).address, "192.168.1.23"); // a row keeps its index; the newcomer takes it over
    EXPECT_EQ(table.row(0).requests, 1);
    EXPECT_EQ(table.row(1).address, address(1));
    EXPECT_EQ(table.row(2).address, "192.168.1.24");
    EXPECT_EQ(table.byRecency().front(), 2);
    EXPECT_EQ(table.byRecency().size(), 4096u);
    EXPECT_EQ(table.summary(), "4096 stations, 0 silent"); // the silent station made room first
}

} // namespace
