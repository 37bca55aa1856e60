#pragma once

#include "Station.h"
#include "Statistics.h"

#include <vector>

// What all stations of one run went through together.
struct StationTotals {
    int stations = 0;
    int served = 0;
    int badReplies = 0; // served, but not 12 digits of a date and time
    double attemptsPerStation = 0;
    AttemptCounts outcomes{};
};

// Stations one after another: reply latency runs from the connect call of the served attempt to its end of stream;
// cycle time runs from the station's first attempt to that end of stream.
struct SequentialSummary {
    StationTotals totals;
    Percentiles replyMs;
    Percentiles cycleMs;
    double shareWithinBound = 0; // percent of replies within the bound
};

// Stations all at once: from the common start to the last end of stream.
struct BurstSummary {
    StationTotals totals;
    double seconds = 0;
    double perSecond = 0;
};

SequentialSummary summarizeOneAfterAnother(const std::vector<StationRecord>& records, double replyBoundMs);
BurstSummary summarizeAllAtOnce(const std::vector<StationRecord>& records);
