#include "RecordFile.h"

#include <fstream>

void writeRecords(const std::string& path, const std::vector<StationRecord>& records) {
    std::ofstream file(path);
    file << "station,served,served_after_s,attempts,reply_ms,cycle_ms\n";
    const TimePoint start = records.empty() ? TimePoint{} : records.front().started;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const StationRecord& record = records[i];
        file << i + 1 << ',' << (record.served ? 1 : 0) << ',' << millisecondsBetween(start, record.ended) / 1000.0
             << ',' << record.attempts << ',' << millisecondsBetween(record.connecting, record.ended) << ','
             << millisecondsBetween(record.started, record.ended) << '\n';
    }
}
