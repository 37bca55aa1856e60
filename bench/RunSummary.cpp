#include "RunSummary.h"

#include <algorithm>
#include <cctype>

namespace {

bool inRange(const std::string& text, std::size_t offset, int low, int high) {
    const int value = std::stoi(text.substr(offset, 2));
    return value >= low && value <= high;
}

// YYYYMMDDhhmm with a month, day, hour and minute that exist.
bool isTimeReply(const std::string& reply) {
    if (reply.size() != Station::kReplySize ||
        !std::ranges::all_of(reply, [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
        return false;
    }
    return inRange(reply, 4, 1, 12) && inRange(reply, 6, 1, 31) && inRange(reply, 8, 0, 23) &&
           inRange(reply, 10, 0, 59);
}

StationTotals totalsOf(const std::vector<StationRecord>& records) {
    StationTotals totals;
    int attempts = 0;
    for (const StationRecord& record : records) {
        ++totals.stations;
        attempts += record.attempts;
        totals.served += record.served ? 1 : 0;
        totals.badReplies += record.served && !isTimeReply(record.reply) ? 1 : 0;
        for (std::size_t kind = 0; kind < record.outcomes.size(); ++kind) {
            totals.outcomes[kind] += record.outcomes[kind];
        }
    }
    totals.attemptsPerStation = records.empty() ? 0 : static_cast<double>(attempts) / totals.stations;
    return totals;
}

} // namespace

SequentialSummary summarizeOneAfterAnother(const std::vector<StationRecord>& records, double replyBoundMs) {
    std::vector<double> reply;
    std::vector<double> cycle;
    for (const StationRecord& record : records) {
        if (record.served) {
            reply.push_back(millisecondsBetween(record.connecting, record.ended));
            cycle.push_back(millisecondsBetween(record.started, record.ended));
        }
    }
    return SequentialSummary{totalsOf(records), percentilesOf(reply), percentilesOf(cycle),
                             shareAtMost(reply, replyBoundMs)};
}

BurstSummary summarizeAllAtOnce(const std::vector<StationRecord>& records) {
    BurstSummary summary{totalsOf(records), 0, 0};
    if (records.empty()) {
        return summary;
    }
    TimePoint last = records.front().started;
    for (const StationRecord& record : records) {
        last = record.served ? std::max(last, record.ended) : last;
    }
    summary.seconds = millisecondsBetween(records.front().started, last) / 1000.0;
    summary.perSecond = summary.seconds > 0 ? summary.totals.served / summary.seconds : 0;
    return summary;
}
