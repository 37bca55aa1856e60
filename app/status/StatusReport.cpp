#include "StatusReport.h"

#include "ClockWatch.h"
#include "MomentText.h"
#include "TimeService.h"
#include "numbers.h"

#include <array>

namespace {

constexpr int kColumns = 6;
using Line = std::array<QString, kColumns>;
constexpr std::array<bool, kColumns> kRightAligned = {false, true, false, false, false, false};

Line stationLine(const StationRow& row, MomentText& moments) {
    return {row.address,
            QString::number(row.requests),
            moments.stamp(row.firstMs),
            moments.stamp(row.lastMs),
            row.usualText(),
            row.stateText()};
}

// Each column as wide as its widest cell, two spaces apart; the last one is not padded.
void appendTable(QString& out, const std::vector<Line>& lines) {
    std::array<qsizetype, kColumns> widths{};
    for (const Line& line : lines) {
        for (std::size_t column = 0; column < kColumns; ++column) {
            widths[column] = std::max(widths[column], line[column].size());
        }
    }
    for (const Line& line : lines) {
        for (std::size_t column = 0; column + 1 < kColumns; ++column) {
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

// A JSON string: quotes, backslashes and control characters escaped, the rest as UTF-8.
void appendJsonString(QByteArray& out, const QString& text) {
    out += '"';
    for (const char byte : text.toUtf8()) {
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += byte;
        } else if (static_cast<unsigned char>(byte) < 0x20) {
            out += "\\u00";
            out += QByteArray::number(static_cast<unsigned char>(byte), 16).rightJustified(2, '0');
        } else {
            out += byte;
        }
    }
    out += '"';
}

// "name": the separator before it, then the name; the value follows.
void appendName(QByteArray& out, const char* name, bool first = false) {
    out += first ? "\"" : ",\"";
    out += name;
    out += "\":";
}

void appendStation(QByteArray& out, const StationRow& row, MomentText& moments) {
    static const std::array<const char*, 3> kOutcomes = {"\"served\"", "\"withheld\"", "\"failed\""};
    out += '{';
    appendName(out, "address", true);
    appendJsonString(out, row.address);
    appendName(out, "requests");
    out += QByteArray::number(row.requests);
    appendName(out, "first");
    appendJsonString(out, moments.iso(row.firstMs));
    appendName(out, "last");
    appendJsonString(out, moments.iso(row.lastMs));
    appendName(out, "usualIntervalSeconds");
    const auto usual = row.usualInterval();
    out += usual ? QByteArray::number(static_cast<double>(usual->count()) / 1000.0, 'g', 15) : QByteArray("null");
    appendName(out, "state");
    out += row.silent ? "\"silent\"" : "\"asking\"";
    appendName(out, "lastOutcome");
    out += row.outcome ? kOutcomes[static_cast<std::size_t>(*row.outcome)] : "null";
    if (row.outcome == RequestOutcome::Kind::Failed) {
        appendName(out, "error");
        appendJsonString(out, row.error);
    }
    out += '}';
}

} // namespace

namespace StatusReport {

QByteArray text(const TimeService& service) {
    const StationTable& stations = service.stations();
    const numbers::Counters counters = service.counters();
    QString out = labelled("Address:", service.localAddress()) + labelled("Service:", service.runWord()) +
                  labelled("Requests:", QString::number(counters.requests)) +
                  labelled("Bytes sent:", QString::number(counters.bytesSent)) +
                  labelled("Bytes received:", QString::number(counters.bytesReceived)) +
                  labelled("Clock:", service.clockWatch().stateWords()) + labelled("Stations:", stations.summary());
    if (stations.size() > 0) {
        std::vector<Line> lines{{QStringLiteral("Address"), QStringLiteral("Requests"), QStringLiteral("First request"),
                                 QStringLiteral("Last request"), QStringLiteral("Usually"), QStringLiteral("State")}};
        lines.reserve(static_cast<std::size_t>(stations.size()) + 1);
        MomentText moments;
        for (const int index : stations.byRecency()) {
            lines.push_back(stationLine(stations.row(index), moments));
        }
        out += QLatin1Char('\n');
        appendTable(out, lines);
    }
    return out.toUtf8();
}

QByteArray json(const TimeService& service) {
    const StationTable& stations = service.stations();
    const numbers::Counters counters = service.counters();
    QByteArray out;
    out.reserve(200 + 170 * stations.size());
    out += '{';
    appendName(out, "address", true);
    appendJsonString(out, service.localAddress());
    appendName(out, "service");
    appendJsonString(out, service.runWord());
    appendName(out, "requests");
    out += QByteArray::number(counters.requests);
    appendName(out, "bytesSent");
    out += QByteArray::number(counters.bytesSent);
    appendName(out, "bytesReceived");
    out += QByteArray::number(counters.bytesReceived);
    appendName(out, "clock");
    appendJsonString(out, service.clockWatch().stateWords());
    appendName(out, "silent");
    out += QByteArray::number(stations.silentCount());
    appendName(out, "stations");
    out += '[';
    MomentText moments;
    for (const int index : stations.byRecency()) {
        if (out.back() != '[') {
            out += ',';
        }
        appendStation(out, stations.row(index), moments);
    }
    return out += "]}\n";
}

} // namespace StatusReport
