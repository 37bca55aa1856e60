#pragma once

#include "RequestOutcome.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

// One station in the table of stations: what its requests so far tell about it.
struct StationRow {
    // The usual interval is the median of this many most recent gaps: odd, so a full window has a middle.
    static constexpr int kGapWindow = 7;

    QString address;
    std::int64_t requests = 0;
    std::int64_t firstMs = 0; // moments in milliseconds since the epoch
    std::int64_t lastMs = 0;
    std::array<std::int64_t, kGapWindow> gapsMs{}; // a ring of the most recent gaps
    int gapsKnown = 0;
    int nextGap = 0;
    std::optional<RequestOutcome::Kind> outcome; // none until its first request has ended
    QString error;                               // the outcome's error, when it failed
    bool silent = false;

    void addGap(std::int64_t gapMs);
    // The median of the recent gaps; none before the second request.
    std::optional<std::chrono::milliseconds> usualInterval() const;
    QDateTime first() const { return QDateTime::fromMSecsSinceEpoch(firstMs); }
    QDateTime last() const { return QDateTime::fromMSecsSinceEpoch(lastMs); }
    // As the Stations window and `quillet --status` show it: "5 min", or "-" before the second request.
    QString usualText() const;
    // "asking" or "silent", then how its last request ended: "silent, served".
    QString stateText() const;
    // "served", "withheld (impossible clock)" or "failed: " and the error; empty before the first ends.
    QString outcomeText() const;
};
