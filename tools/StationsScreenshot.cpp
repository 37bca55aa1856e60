#include "FontSubstitutes.h"
#include "TimeService.h"
#include "frmStations.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QDate kDay(2026, 12, 7);

QDateTime at(int hour, int minute, int second = 0) {
    return QDateTime(kDay, QTime(hour, minute, second));
}

// A morning at an office with a dozen stations asking every five minutes: one went silent at
// 09:13, one was reset in the middle of its last request, two came in late. The requests are
// recorded in the order they came, as the service records them.
void fillTable(StationTable& stations) {
    std::vector<std::pair<QDateTime, QString>> requests;
    for (int station = 21; station <= 32; ++station) {
        const QString address = QStringLiteral("192.168.1.%1").arg(station);
        const QDateTime first = station >= 31 ? at(9, 5 * (station - 30)) : at(8, station % 5);
        const QDateTime last = station == 23 ? at(9, 14) : at(9, 40 - station % 5);
        for (QDateTime moment = first.addSecs(station); moment <= last; moment = moment.addSecs(300)) {
            requests.emplace_back(moment, address);
        }
    }
    std::sort(requests.begin(), requests.end());
    for (const auto& [moment, address] : requests) {
        stations.recordRequest(address, moment);
        stations.recordOutcome(address, RequestOutcome{RequestOutcome::Kind::Served, QString()});
    }
    stations.recordOutcome(
        QStringLiteral("192.168.1.27"),
        RequestOutcome{RequestOutcome::Kind::Failed, QStringLiteral("Error 10054: Connection reset by peer.")});
    stations.checkSilence(at(9, 42));
}

} // namespace

// Saves the Stations window over a filled table of stations as a PNG file.
int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: stations_screenshot FILE.png\n");
        return 2;
    }
    installFontSubstitutes();
    TimeService::Setup setup;
    setup.clock = [] { return at(9, 42); };
    setup.localAddress = [] { return std::string("192.168.1.10"); };
    TimeService service(setup);
    fillTable(service.stations());
    frmStations window(service);
    window.resize(940, 320); // every row in sight
    window.show();
    return window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
