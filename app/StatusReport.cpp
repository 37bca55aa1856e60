#include "StatusReport.h"

#include "ClockWatch.h"
#include "TimeService.h"
#include "numbers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <array>

namespace {

constexpr int kColumns = 6;
using Line = std::array<QString, kColumns>;
constexpr std::array<bool, kColumns> kRightAligned = {false, true, false, false, false, false};

QString serviceWord(const TimeService& service) {
    return service.isPaused() ? QStringLiteral("paused") : QStringLiteral("listening");
}

Line stationLine(const StationRow& row) {
    return {row.address,    QString::number(row.requests), row.firstText(), row.lastText(), row.usualText(),
            row.stateText()};
}

// Each column as wide as its widest cell, two spaces apart; the last one is not padded.
void appendTable(QString& out, const std::vector<Line>& lines) {
    std::array<qsizetype, kColumns> widths{};
    for (const Line& line : lines) {
        for (int column = 0; column < kColumns; ++column) {
            widths[column] = std::max(widths[column], line[column].size());
        }
    }
    for (const Line& line : lines) {
        for (int column = 0; column < kColumns - 1; ++column) {
            out += kRightAligned[column] ? line[column].rightJustified(widths[column])
                                         : line[column].leftJustified(widths[column]);
            out += QStringLiteral("  ");
        }
        out += line[kColumns - 1] + QLatin1Char('\n');
    }
}

QString labelled(const char* label, const QString& value) {
    return QString::fromLatin1(label).leftJustified(16) + value + QLatin1Char('\n');
}

// Local time with its offset from UTC, as ISO 8601 writes it.
QString isoMoment(const QDateTime& at) {
    return at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODate);
}

QJsonObject stationObject(const StationRow& row) {
    QJsonObject station{{QStringLiteral("address"), row.address},
                        {QStringLiteral("requests"), static_cast<qint64>(row.requests)},
                        {QStringLiteral("first"), isoMoment(row.first())},
                        {QStringLiteral("last"), isoMoment(row.last())},
                        {QStringLiteral("state"), row.silent ? QStringLiteral("silent") : QStringLiteral("asking")}};
    const auto usual = row.usualInterval();
    station.insert(QStringLiteral("usualIntervalSeconds"),
                   usual ? QJsonValue(static_cast<double>(usual->count()) / 1000.0) : QJsonValue());
    static const std::array<QString, 3> kOutcomes = {QStringLiteral("served"), QStringLiteral("withheld"),
                                                     QStringLiteral("failed")};
    station.insert(QStringLiteral("lastOutcome"),
                   row.outcome ? QJsonValue(kOutcomes[static_cast<std::size_t>(*row.outcome)]) : QJsonValue());
    if (row.outcome == RequestOutcome::Kind::Failed) {
        station.insert(QStringLiteral("error"), row.error);
    }
    return station;
}

} // namespace

namespace StatusReport {

QByteArray text(const TimeService& service) {
    const StationTable& stations = service.stations();
    QString out = labelled("Address:", service.localAddress()) + labelled("Service:", serviceWord(service)) +
                  labelled("Requests:", QString::number(numbers::TotalRequests)) +
                  labelled("Bytes sent:", QString::number(numbers::TotalBytesSent)) +
                  labelled("Bytes received:", QString::number(numbers::TotalBytesReceived)) +
                  labelled("Clock:", service.clockWatch().stateWords()) + labelled("Stations:", stations.summary());
    if (stations.size() > 0) {
        std::vector<Line> lines{{QStringLiteral("Address"), QStringLiteral("Requests"), QStringLiteral("First request"),
                                 QStringLiteral("Last request"), QStringLiteral("Usually"), QStringLiteral("State")}};
        lines.reserve(static_cast<std::size_t>(stations.size()) + 1);
        for (const int index : stations.byRecency()) {
            lines.push_back(stationLine(stations.row(index)));
        }
        out += QLatin1Char('\n');
        appendTable(out, lines);
    }
    return out.toUtf8();
}

QByteArray json(const TimeService& service) {
    const StationTable& stations = service.stations();
    QJsonArray rows;
    for (const int index : stations.byRecency()) {
        rows.append(stationObject(stations.row(index)));
    }
    const QJsonObject report{{QStringLiteral("address"), service.localAddress()},
                             {QStringLiteral("service"), serviceWord(service)},
                             {QStringLiteral("requests"), numbers::TotalRequests},
                             {QStringLiteral("bytesSent"), numbers::TotalBytesSent},
                             {QStringLiteral("bytesReceived"), numbers::TotalBytesReceived},
                             {QStringLiteral("clock"), service.clockWatch().stateWords()},
                             {QStringLiteral("silent"), stations.silentCount()},
                             {QStringLiteral("stations"), rows}};
    return QJsonDocument(report).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace StatusReport
