#include "MomentText.h"

#include <QDate>
#include <QDateTime>
#include <cstdlib>
#include <initializer_list>

namespace {

constexpr std::int64_t kQuarterHourMs = 15 * 60 * 1000;
constexpr std::int64_t kDayMs = 24 * 60 * 60 * 1000;
constexpr qint64 kJulianDayOfTheEpoch = 2440588;

std::int64_t floorDivide(std::int64_t value, std::int64_t divisor) {
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

// A number zero-padded to its width, then a separator unless it is '\0'.
struct Field {
    int number;
    int width;
    char after;
};

QString fieldsText(std::initializer_list<Field> fields) {
    char text[32];
    int size = 0;
    for (const Field& field : fields) {
        for (int digit = field.width - 1, number = field.number; digit >= 0; --digit, number /= 10) {
            text[size + digit] = static_cast<char>('0' + number % 10);
        }
        size += field.width;
        if (field.after != '\0') {
            text[size++] = field.after;
        }
    }
    return QString::fromLatin1(text, size);
}

} // namespace

QString MomentText::stamp(std::int64_t ms) {
    const Civil at = civilAt(ms, offsetSecondsAt(ms));
    return fieldsText({{at.year, 4, '.'},
                       {at.month, 2, '.'},
                       {at.day, 2, ' '},
                       {at.hour, 2, ':'},
                       {at.minute, 2, ':'},
                       {at.second, 2, '\0'}});
}

QString MomentText::iso(std::int64_t ms) {
    const int offset = offsetSecondsAt(ms);
    const Civil at = civilAt(ms, offset);
    const QString local = fieldsText({{at.year, 4, '-'},
                                      {at.month, 2, '-'},
                                      {at.day, 2, 'T'},
                                      {at.hour, 2, ':'},
                                      {at.minute, 2, ':'},
                                      {at.second, 2, '\0'}});
    if (offset == 0) {
        return local + QLatin1Char('Z');
    }
    const int minutes = std::abs(offset) / 60;
    return local + QLatin1Char(offset < 0 ? '-' : '+') + fieldsText({{minutes / 60, 2, ':'}, {minutes % 60, 2, '\0'}});
}

int MomentText::offsetSecondsAt(std::int64_t ms) {
    const std::int64_t quarter = floorDivide(ms, kQuarterHourMs);
    auto found = m_offsets.constFind(quarter);
    if (found == m_offsets.constEnd()) {
        found = m_offsets.insert(quarter, QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc());
    }
    return found.value();
}

MomentText::Civil MomentText::civilAt(std::int64_t ms, int offsetSeconds) const {
    const std::int64_t local = ms + std::int64_t{offsetSeconds} * 1000;
    const std::int64_t day = floorDivide(local, kDayMs);
    const auto secondOfDay = static_cast<int>((local - day * kDayMs) / 1000);
    const QDate date = QDate::fromJulianDay(kJulianDayOfTheEpoch + day);
    return {date.year(), date.month(), date.day(), secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60};
}
