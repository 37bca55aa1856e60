#pragma once

#include <vector>

struct Percentiles {
    double p50 = 0;
    double p95 = 0;
    double p99 = 0;
    double max = 0;
};

// Nearest-rank percentiles: p99 of 300 values is the 297th smallest.
Percentiles percentilesOf(std::vector<double> values);

// Percentage of the values at or below the bound.
double shareAtMost(const std::vector<double>& values, double bound);

// How one figure came out over several runs.
struct Spread {
    double median = 0;
    double min = 0;
    double max = 0;
    int count = 0;
};

Spread spreadOf(std::vector<double> values);
