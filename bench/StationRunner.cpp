#include "StationRunner.h"

#include <algorithm>
#include <ctime>

namespace {

// Far above what any healthy run needs; a server that stops answering ends the run instead of hanging it.
constexpr std::chrono::seconds kGiveUpOneStation{30};
constexpr std::chrono::seconds kGiveUpAllAtOnce{300};

timespec timeUntil(TimePoint deadline, TimePoint now) {
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(deadline - now, Clock::duration{}));
    return timespec{static_cast<time_t>(wait.count() / 1'000'000'000), static_cast<long>(wait.count() % 1'000'000'000)};
}

} // namespace

std::vector<StationRecord> StationRunner::runOneAfterAnother(int count) const {
    std::vector<StationRecord> records;
    for (int i = 0; i < count; ++i) {
        std::vector<Station> one;
        const TimePoint now = Clock::now();
        one.emplace_back(m_port, now);
        drive(one, now + kGiveUpOneStation);
        records.push_back(one.front().record());
    }
    return records;
}

std::vector<StationRecord> StationRunner::runAllAtOnce(int count) const {
    std::vector<Station> stations;
    const TimePoint now = Clock::now();
    for (int i = 0; i < count; ++i) {
        stations.emplace_back(m_port, now);
    }
    drive(stations, now + kGiveUpAllAtOnce);
    std::vector<StationRecord> records;
    for (const Station& station : stations) {
        records.push_back(station.record());
    }
    return records;
}

TimePoint StationRunner::nextDeadline(const std::vector<Station>& stations, TimePoint giveUpAt) {
    TimePoint next = giveUpAt;
    for (const Station& station : stations) {
        if (!station.done()) {
            next = std::min(next, station.deadline());
        }
    }
    return next;
}

void StationRunner::drive(std::vector<Station>& stations, TimePoint giveUpAt) {
    std::vector<pollfd> entries;
    std::vector<Station*> owners;
    for (TimePoint now = Clock::now(); now < giveUpAt; now = Clock::now()) {
        entries.clear();
        owners.clear();
        for (Station& station : stations) {
            if (!station.done() && station.pollEntry().fd >= 0) {
                entries.push_back(station.pollEntry());
                owners.push_back(&station);
            }
        }
        if (std::ranges::all_of(stations, &Station::done)) {
            return;
        }
        const timespec wait = timeUntil(nextDeadline(stations, giveUpAt), now);
        ::ppoll(entries.data(), entries.size(), &wait, nullptr);
        now = Clock::now();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].revents != 0) {
                owners[i]->onReady(now);
            }
        }
        for (Station& station : stations) {
            if (!station.done() && station.deadline() <= now) {
                station.onDeadline(now);
            }
        }
    }
}
