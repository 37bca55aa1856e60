// quillet as the service runs it, headless with its status socket, but with its table of
// stations full before the first station asks: 4,096 stations that asked three times, five
// minutes apart, and that go silent one after another over the first five minutes, as an
// office whose network went down would. Prints what the full table cost in memory.
#include "ErrorText.h"
#include "StatusServer.h"
#include "TimeService.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

constexpr qint64 kMinute = 60'000;

long residentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string key; status >> key;) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return 0;
}

std::size_t allocatedBytes() {
    const struct mallinfo2 heap = ::mallinfo2();
    return heap.uordblks + heap.hblkhd;
}

QString addressOf(int station) {
    return QStringLiteral("10.0.%1.%2").arg(station / 256).arg(station % 256);
}

// Station n last asked 10 min and n % 300 s ago, so it is named silent 300 - n % 300 s from now;
// the requests in the order they came, as the service records them.
std::vector<std::pair<qint64, int>> requestsSoFar(qint64 nowMs) {
    std::vector<std::pair<qint64, int>> requests;
    for (int station = 0; station < StationTable::kCapacity; ++station) {
        const qint64 lastMs = nowMs - 10 * kMinute - (station % 300) * 1000;
        for (const qint64 before : {10 * kMinute, 5 * kMinute, qint64{0}}) {
            requests.emplace_back(lastMs - before, station);
        }
    }
    std::sort(requests.begin(), requests.end());
    return requests;
}

// Each request brings its own address text, as the socket's does.
void fillTable(StationTable& stations, const std::vector<std::pair<qint64, int>>& requests) {
    for (const auto& [atMs, station] : requests) {
        const QString address = addressOf(station);
        stations.recordRequest(address, QDateTime::fromMSecsSinceEpoch(atMs));
        stations.recordOutcome(address, RequestOutcome{RequestOutcome::Kind::Served, QString()});
    }
}

void writeLine(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    TimeService service;
    const auto requests = requestsSoFar(service.now().toMSecsSinceEpoch());
    const long residentBefore = residentKiB(); // the table is empty, its room reserved but not yet touched
    const std::size_t allocatedBefore = allocatedBytes();
    fillTable(service.stations(), requests);
    std::printf("bench: %d stations known; the table costs %ld KiB resident, %zu KiB allocated\n",
                service.stations().size(), residentKiB() - residentBefore, (allocatedBytes() - allocatedBefore) / 1024);
    QObject::connect(&service.log(), &ActivityLog::lineWritten, &service, &writeLine);
    StatusServer status(service, service.log());
    try {
        service.start();
    } catch (const RuntimeError&) {
        return 1; // the log has the error
    }
    status.open();
    return QCoreApplication::exec();
}
