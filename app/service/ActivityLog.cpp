#include "ActivityLog.h"

#include "ErrorText.h"
#include "Module1.h"

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

} // namespace

bool ActivityLog::ErrorFilter::isNew(const ErrorRecord& error) {
    std::pair<std::int32_t, std::string> key{error.number, error.description};
    if (m_last == key) {
        return false;
    }
    m_last = std::move(key);
    return true;
}

ActivityLog::ActivityLog(std::function<QDateTime()> clock, QObject* parent)
    : QObject(parent), m_clock(std::move(clock)) {}

// The lines are the log's text split at CR LF: a line written after an empty log still starts
// with a line break, so the text begins with an empty line.
void ActivityLog::writebox(const QString& Data, bool firsttime) {
    const QString line = Module1::LogStamp(m_clock()) + QLatin1Char(' ') + Data;
    QStringList parts = line.split(kLineBreak);
    if (!firsttime) {
        parts.prepend(QString());
    }
    if (!m_lines.isEmpty() && !parts.isEmpty()) {
        m_lines.last() += parts.takeFirst();
    }
    m_lines += parts;
    emit lineWritten(line, firsttime);
}

std::optional<QString> ActivityLog::writeError(ErrorFilter& filter, const ErrorRecord& error) {
    if (!filter.isNew(error)) {
        return std::nullopt;
    }
    QString line = describeError(error);
    writebox(line, false);
    return line;
}

void ActivityLog::TrimLog() {
    if (m_lines.size() <= kMaxLines) {
        return;
    }
    m_lines = m_lines.mid(m_lines.size() - kKeptLines);
    emit trimmed();
}
