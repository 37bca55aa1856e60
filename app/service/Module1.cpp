#include "Module1.h"

namespace Module1 {

QString LogStamp(const QDateTime& date) {
    const QDate day = date.date();
    const QTime time = date.time();
    return QString::asprintf("[%04d.%02d.%02d %02d:%02d:%02d]", day.year(), day.month(), day.day(), time.hour(),
                             time.minute(), time.second());
}

QString ReplyDate(const QDate& date) {
    return QString::asprintf("%04d%02d%02d", date.year(), date.month(), date.day());
}

QString ReplyTime(const QTime& time) {
    return QString::asprintf("%02d%02d", time.hour(), time.minute());
}

} // namespace Module1
