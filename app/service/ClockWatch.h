#pragma once

#include "ClockHealth.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// Tells the activity log how far the system clock can be trusted, and holds back the time
// reply while the clock reads a date that no reply may carry: one before this version was
// released (a flat clock battery), or past the year 9999 (a reply of 13 digits).
class ClockWatch : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds kCheckInterval{10};
    using Log = std::function<void(const QString& text)>;

    ClockWatch(std::shared_ptr<ClockHealth> health, std::function<QDateTime()> clock, QDate releaseDate, Log log,
               QObject* parent = nullptr);
    ~ClockWatch() override;

    // This version's release date, as the build sets it.
    static QDate releaseDate();

    // Logs the clock's state and checks it from then on: every 10 s, and at once after a step.
    void start();
    // Stops checking and lets go of the steps; the last state stands.
    void stop();
    // Reads the state; logs a change of state, a leap second due, and replies stopping or resuming.
    void check();
    // Whether a reply built from this reading of the clock may go out; the first refusal is logged.
    bool mayReply(const QDateTime& now);
    // A few words for the service's status line, as "clock synchronised".
    QString stateText() const;
    // The state alone: "synchronised", "not synchronised", "state unknown" or "impossible, no replies".
    QString stateWords() const;

signals:
    void stateTextChanged();
    // A check has run: others may ride on its timer instead of waking the program themselves.
    void checked();

private:
    void onStep(std::chrono::milliseconds step);
    void announceLeapSecond(const QDateTime& now);
    bool isImpossible(const QDateTime& now) const;
    void withhold(const QDateTime& now);
    void resume();
    QString stateLine() const;
    void emitIfChanged(const QString& stateTextBefore);

    std::shared_ptr<ClockHealth> m_health;
    std::function<QDateTime()> m_clock;
    QDate m_releaseDate;
    Log m_log;
    QTimer m_checkTimer;
    ClockReading m_reading;
    std::optional<ClockReading::State> m_loggedState; // none before the first line
    bool m_withholding = false;
    QDate m_leapAnnouncedOn; // the UTC day the pending leap second was last logged
};
