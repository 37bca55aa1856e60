#pragma once

#include "RuntimeError.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

// The activity log: time-stamped lines, cut back to the newest 100 once it holds more than 200,
// and the filter that lets each error in once. Whoever writes is handed the log; observers get
// each line as it is written. GUI thread only.
class ActivityLog : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 200;  // more than this is cut back...
    static constexpr int kKeptLines = 100; // ...to the newest this many

    // Lets an error in once: the same number and description again is held back until another
    // error, or a reset of the filter, comes between.
    class ErrorFilter {
    public:
        bool isNew(const ErrorRecord& error);
        void reset() { m_last.reset(); }

    private:
        std::optional<std::pair<std::int32_t, std::string>> m_last;
    };

    explicit ActivityLog(std::function<QDateTime()> clock, QObject* parent = nullptr);

    // Adds "[stamp] Data" on a line of its own; with firsttime set it joins the end of the text
    // instead, as the first line of an empty log does. Text with its own CR LF makes several lines.
    void writebox(const QString& Data, bool firsttime);
    // "Error <number>: <description>", when the filter lets it in; answers the line, or nothing.
    std::optional<QString> writeError(ErrorFilter& filter, const ErrorRecord& error);
    void TrimLog();

    const QStringList& lines() const { return m_lines; }
    bool isEmpty() const { return m_lines.isEmpty(); }

signals:
    // The line as written, stamp included; firsttime as it was given.
    void lineWritten(const QString& line, bool firsttime);
    // The log was cut back; lines() holds what is left.
    void trimmed();

private:
    std::function<QDateTime()> m_clock;
    QStringList m_lines;
};
