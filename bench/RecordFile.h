#pragma once

#include "Station.h"

#include <string>
#include <vector>

// Writes one line a station (CSV: when it was served, attempts, reply latency and cycle time), so
// that a run's raw figures can be looked at after the table has summed them up.
void writeRecords(const std::string& path, const std::vector<StationRecord>& records);
