#include "RecordFile.h"

#include <fstream>

namespace {

int countOf(const StationRecord& record, Attempt outcome) {
    return record.outcomes[static_cast<std::size_t>(outcome)];
}

} // namespace

void writeRecords(const std::string& path, const std::vector<StationRecord>& records) {
    std::ofstream file(path);
    file << "station,served,served_after_s,attempts,reply_ms,cycle_ms,refused,reset,hung\n";
    const TimePoint start = records.empty() ? TimePoint{} : records.front().started;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const StationRecord& record = records[i];
        file << i + 1 << ',' << (record.served ? 1 : 0) << ',' << millisecondsBetween(start, record.ended) / 1000.0
             << ',' << record.attempts << ',' << millisecondsBetween(record.connecting, record.ended) << ','
             << millisecondsBetween(record.started, record.ended) << ',' << countOf(record, Attempt::Refused) << ','
             << countOf(record, Attempt::Reset) << ','
             << countOf(record, Attempt::ConnectHung) + countOf(record, Attempt::ReplyHung) << '\n';
    }
}
