#include "DurationText.h"

#include <algorithm>

QString durationText(std::chrono::milliseconds duration) {
    const long long seconds = (std::max<long long>(duration.count(), 0) + 500) / 1000;
    if (seconds < 60) {
        return QStringLiteral("%1 s").arg(seconds);
    }
    const long long minutes = (seconds + 30) / 60;
    if (minutes < 60) {
        return QStringLiteral("%1 min").arg(minutes);
    }
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}
