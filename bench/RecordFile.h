#pragma once

#include "Station.h"

#include <string>
#include <vector>

// Writes one CSV line a station (when it was served, attempts, reply latency, cycle time and how its
// failed attempts ended), so that a run's raw figures can be looked at beside the table.
void writeRecords(const std::string& path, const std::vector<StationRecord>& records);
