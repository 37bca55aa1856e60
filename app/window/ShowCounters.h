#pragma once

#include "numbers.h"

class QLabel;

// The window's half of the counters module: the service keeps the counters without widgets.
namespace numbers {

struct CounterLabels {
    QLabel* lblConnections;
    QLabel* lblReceived;
    QLabel* lblSent;
};

// Each label gets its counter as plain decimal text.
void ShowCounters(const CounterLabels& labels, const Counters& counters);

} // namespace numbers
