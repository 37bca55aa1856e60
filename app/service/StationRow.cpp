#include "StationRow.h"

#include "DurationText.h"

#include <algorithm>

void StationRow::addGap(std::int64_t gapMs) {
    gapsMs[static_cast<std::size_t>(nextGap)] = std::max<std::int64_t>(gapMs, 0); // a clock set back gives none
    nextGap = (nextGap + 1) % kGapWindow;
    gapsKnown = std::min(gapsKnown + 1, kGapWindow);
}

std::optional<std::chrono::milliseconds> StationRow::usualInterval() const {
    if (gapsKnown == 0) {
        return std::nullopt;
    }
    // An insertion sort of at most seven gaps: constant work, and no std::sort, in which g++ 12
    // sees an out-of-bounds read that is not there.
    std::array<std::int64_t, kGapWindow> sorted{};
    for (int known = 0; known < gapsKnown; ++known) {
        int at = known;
        for (; at > 0 && sorted[static_cast<std::size_t>(at - 1)] > gapsMs[static_cast<std::size_t>(known)]; --at) {
            sorted[static_cast<std::size_t>(at)] = sorted[static_cast<std::size_t>(at - 1)];
        }
        sorted[static_cast<std::size_t>(at)] = gapsMs[static_cast<std::size_t>(known)];
    }
    const auto middle = static_cast<std::size_t>(gapsKnown / 2);
    const std::int64_t median = gapsKnown % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    return std::chrono::milliseconds(median);
}

QString StationRow::usualText() const {
    const auto usual = usualInterval();
    return usual ? durationText(*usual) : QStringLiteral("-");
}

QString StationRow::stateText() const {
    const QString asking = silent ? QStringLiteral("silent") : QStringLiteral("asking");
    const QString ended = outcomeText();
    return ended.isEmpty() ? asking : asking + QStringLiteral(", ") + ended;
}

QString StationRow::outcomeText() const {
    if (!outcome) {
        return QString();
    }
    switch (*outcome) {
    case RequestOutcome::Kind::Served: return QStringLiteral("served");
    case RequestOutcome::Kind::Withheld: return QStringLiteral("withheld (impossible clock)");
    default: return error.isEmpty() ? QStringLiteral("failed") : QStringLiteral("failed: ") + error;
    }
}
