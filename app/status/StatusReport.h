#pragma once

#include <QByteArray>

class TimeService;

// What `quillet --status` prints of a running server: the address shown, whether it listens,
// the counters, the clock's state and the stations, newest first.
namespace StatusReport {

// Labelled lines, then the stations as a table of aligned columns.
QByteArray text(const TimeService& service);
// The same as one JSON object on one line.
QByteArray json(const TimeService& service);

} // namespace StatusReport
