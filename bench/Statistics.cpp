#include "Statistics.h"

#include <algorithm>
#include <cmath>

namespace {

double nearestRank(const std::vector<double>& sorted, double percent) {
    const auto rank = static_cast<std::size_t>(std::ceil(percent / 100.0 * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

} // namespace

Percentiles percentilesOf(std::vector<double> values) {
    if (values.empty()) {
        return {};
    }
    std::ranges::sort(values);
    return Percentiles{nearestRank(values, 50), nearestRank(values, 95), nearestRank(values, 99), values.back()};
}

double shareAtMost(const std::vector<double>& values, double bound) {
    if (values.empty()) {
        return 0;
    }
    const auto within = std::ranges::count_if(values, [bound](double value) { return value <= bound; });
    return 100.0 * static_cast<double>(within) / static_cast<double>(values.size());
}

Spread spreadOf(std::vector<double> values) {
    if (values.empty()) {
        return {};
    }
    std::ranges::sort(values);
    const std::size_t middle = values.size() / 2;
    const double median = values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
    return Spread{median, values.front(), values.back(), static_cast<int>(values.size())};
}
