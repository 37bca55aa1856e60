#pragma once

#include <cstdint>

class QLabel;

// The three counters the main window shows. Signed 32-bit, starting at 0 with the
// program, never wrapping: passing 2147483647 is the overflow error.
namespace numbers {

extern std::int32_t TotalRequests;
extern std::int32_t TotalBytesReceived;
extern std::int32_t TotalBytesSent;

struct CounterLabels {
    QLabel* lblConnections;
    QLabel* lblReceived;
    QLabel* lblSent;
};

// Each label gets its counter as plain decimal text.
void ShowCounters(const CounterLabels& labels);

} // namespace numbers
