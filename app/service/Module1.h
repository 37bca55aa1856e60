#pragma once

#include <QDateTime>
#include <QString>

namespace Module1 {

// "[YYYY.MM.DD hh:mm:ss]" for the given moment, every field zero-padded.
QString LogStamp(const QDateTime& date);

// The time reply's parts: year, month and day as 8 digits; hour and minute as 4.
QString ReplyDate(const QDate& date);
QString ReplyTime(const QTime& time);

} // namespace Module1
