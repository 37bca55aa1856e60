#pragma once

#include "Station.h"

#include <cstdint>
#include <vector>

// Drives stations against one server port on 127.0.0.1 from a single poll loop.
class StationRunner {
public:
    explicit StationRunner(std::uint16_t port) : m_port(port) {}

    // Each station starts the moment the one before it is served.
    std::vector<StationRecord> runOneAfterAnother(int count) const;
    // All stations start at once and compete until every one is served.
    std::vector<StationRecord> runAllAtOnce(int count) const;

private:
    // Runs the stations until all are served or the give-up time has passed.
    static void drive(std::vector<Station>& stations, TimePoint giveUpAt);
    static TimePoint nextDeadline(const std::vector<Station>& stations, TimePoint giveUpAt);

    std::uint16_t m_port;
};
