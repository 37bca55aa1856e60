#include "ClockWatch.h"
#include "QuilletVersion.h"

#include <cstdlib>

namespace {

constexpr int kLastFourDigitYear = 9999;
constexpr std::chrono::milliseconds kSmallestLoggedStep{1000};

QString minuteText(const QDateTime& moment) {
    const QDate day = moment.date();
    const QTime time = moment.time();
    return QString::asprintf("%04d.%02d.%02d %02d:%02d", day.year(), day.month(), day.day(), time.hour(),
                             time.minute());
}

// The kernel's bound in whole milliseconds, rounded up so the log never claims more accuracy.
long long maxErrorMilliseconds(std::chrono::microseconds maxError) {
    return maxError.count() <= 0 ? 0 : (maxError.count() + 999) / 1000;
}

} // namespace

ClockWatch::ClockWatch(std::shared_ptr<ClockHealth> health, std::function<QDateTime()> clock, QDate releaseDate,
                       Log log, QObject* parent)
    : QObject(parent), m_health(std::move(health)), m_clock(std::move(clock)), m_releaseDate(releaseDate),
      m_log(std::move(log)) {
    setObjectName(QStringLiteral("clockWatch"));
    m_checkTimer.setInterval(kCheckInterval);
    connect(&m_checkTimer, &QTimer::timeout, this, &ClockWatch::check);
}

ClockWatch::~ClockWatch() {
    stop();
}

QDate ClockWatch::releaseDate() {
    return QDate::fromString(QStringLiteral(QUILLET_RELEASE_DATE), Qt::ISODate);
}

void ClockWatch::start() {
    m_health->setStepHandler([this](std::chrono::milliseconds step) { onStep(step); });
    m_checkTimer.start();
    check();
}

void ClockWatch::stop() {
    m_checkTimer.stop();
    m_health->setStepHandler(nullptr);
}

void ClockWatch::check() {
    const QString before = stateText();
    m_reading = m_health->read();
    const QDateTime now = m_clock();
    if (m_withholding && !isImpossible(now)) {
        resume();
    } else if (m_loggedState != m_reading.state) {
        m_loggedState = m_reading.state;
        m_log(stateLine());
    }
    announceLeapSecond(now);
    if (isImpossible(now)) {
        withhold(now);
    }
    emitIfChanged(before);
    emit checked();
}

bool ClockWatch::mayReply(const QDateTime& now) {
    const QString before = stateText();
    const bool impossible = isImpossible(now);
    if (impossible) {
        withhold(now);
    } else if (m_withholding) {
        resume();
    }
    emitIfChanged(before);
    return !impossible;
}

QString ClockWatch::stateText() const {
    return QStringLiteral("clock ") + stateWords();
}

QString ClockWatch::stateWords() const {
    if (m_withholding) {
        return QStringLiteral("impossible, no replies");
    }
    switch (m_reading.state) {
    case ClockReading::State::Synchronised: return QStringLiteral("synchronised");
    case ClockReading::State::NotSynchronised: return QStringLiteral("not synchronised");
    default: return QStringLiteral("state unknown");
    }
}

void ClockWatch::onStep(std::chrono::milliseconds step) {
    const long long size = std::llabs(step.count());
    if (size >= kSmallestLoggedStep.count()) {
        const long long seconds = (size + 500) / 1000;
        m_log((step.count() > 0 ? QStringLiteral("Clock: set forward by %1 s")
                                : QStringLiteral("Clock: set back by %1 s"))
                  .arg(seconds));
    }
    check();
}

// Logged once per UTC day while the kernel has one pending, since it falls at the end of that day.
void ClockWatch::announceLeapSecond(const QDateTime& now) {
    const QDate utcDay = now.toUTC().date();
    if (m_reading.leapSecondDue && utcDay != m_leapAnnouncedOn) {
        m_leapAnnouncedOn = utcDay;
        m_log(QStringLiteral("Clock: leap second due at the end of the day"));
    }
}

bool ClockWatch::isImpossible(const QDateTime& now) const {
    return !now.isValid() || now.date() < m_releaseDate || now.date().year() > kLastFourDigitYear;
}

void ClockWatch::withhold(const QDateTime& now) {
    if (m_withholding) {
        return;
    }
    m_withholding = true;
    const QString reason = now.date().year() > kLastFourDigitYear ? QStringLiteral("past the year 9999")
                                                                  : QStringLiteral("before this version was released");
    m_log(QStringLiteral("Clock: reads %1, %2; no replies until it is set").arg(minuteText(now), reason));
}

// Replies go out again: the log says so with the clock's state line.
void ClockWatch::resume() {
    m_withholding = false;
    m_loggedState = m_reading.state;
    m_log(stateLine());
}

QString ClockWatch::stateLine() const {
    switch (m_reading.state) {
    case ClockReading::State::Synchronised:
        return QStringLiteral("Clock: synchronised, maximum error %1 ms").arg(maxErrorMilliseconds(m_reading.maxError));
    case ClockReading::State::NotSynchronised:
        return QStringLiteral("Clock: not synchronised; stations receive this computer's time as it stands");
    default: return QStringLiteral("Clock: state unknown");
    }
}

void ClockWatch::emitIfChanged(const QString& stateTextBefore) {
    if (stateText() != stateTextBefore) {
        emit stateTextChanged();
    }
}
