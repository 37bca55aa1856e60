#pragma once

#include <QHash>
#include <QString>
#include <cstdint>

// Writes moments (milliseconds since the epoch) in local time, fast enough for a table of
// thousands: the offset from UTC is looked up once per quarter of an hour, since every time
// zone changes its offset on one, and the digits are written by hand.
class MomentText {
public:
    // "2027.03.01 09:05:07"
    QString stamp(std::int64_t ms);
    // "2027-03-01T09:05:07+01:00", or with "Z" at UTC
    QString iso(std::int64_t ms);

private:
    struct Civil {
        int year, month, day, hour, minute, second;
    };
    int offsetSecondsAt(std::int64_t ms);
    Civil civilAt(std::int64_t ms, int offsetSeconds) const;

    QHash<std::int64_t, int> m_offsets; // by quarter of an hour
};
