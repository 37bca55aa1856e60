#pragma once

#include "ActivityLog.h"
#include "CSocket.h"
#include "ClockHealth.h"
#include "RequestOutcome.h"
#include "RuntimeError.h"
#include "StationTable.h"
#include "numbers.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class ClockWatch;

// The time service: one socket object listening on the service port answers each station
// with the local date and time as 12 digits, then closes and listens again, driven by a
// 100 ms tick once the first request came. It keeps the counters, the activity log and the
// table of stations.
// Windows, the service manager and the status socket observe it, and drive it only through
// start, pause, restart and stop. Builds no widget. GUI thread only.
class TimeService : public QObject, private CSocketEvents {
    Q_OBJECT
public:
    static constexpr std::uint16_t kServicePort = 10325;
    static constexpr int kTickMilliseconds = 100;

    // Where the port, the clock and the local address come from; tests set their own.
    struct Setup {
        std::uint16_t port = kServicePort;
        std::function<QDateTime()> clock = &QDateTime::currentDateTime;
        std::function<std::string()> localAddress; // address discovery when empty
        std::shared_ptr<ClockHealth> clockHealth;  // the kernel's when empty
        // Timer1 is armed as usual but ticks only when Timer1_Timer() is called: for tests.
        bool tickByHand = false;
    };

    TimeService();
    explicit TimeService(Setup setup);
    ~TimeService() override;

    // The start-up: finds the address, logs it, listens, and starts watching the clock.
    // Socket errors are raised.
    void start();
    // Closes the socket and lets go of it; a station waiting for its reply gets none.
    void pause();
    // Listens again with a new socket object. A failure is raised and the service stays paused.
    void restart();
    // The exit command's part: the tick stops and the socket closes.
    void stop();
    bool isPaused() const { return !mySock; }
    // "paused" or "listening", as the status line and quillet --status say it.
    QString runWord() const;

    // The address stations should use, as found at start-up.
    const QString& localAddress() const { return LocalIP; }
    // The activity log the service, its clock watch and its table write to.
    ActivityLog& log() { return m_log; }
    const ActivityLog& log() const { return m_log; }
    numbers::Counters counters() const { return numbers::current(); }
    ClockWatch& clockWatch() { return *m_clockWatch; }
    const ClockWatch& clockWatch() const { return *m_clockWatch; }
    const StationTable& stations() const { return m_stations; }
    // For a benchmark or a picture that needs the table filled before any station asks.
    StationTable& stations() { return m_stations; }
    QDateTime now() const { return m_setup.clock(); }

    void Timer1_Timer();

signals:
    // The service started, paused or restarted, or counted a request.
    void serviceChanged();
    // A request was counted.
    void countersChanged(const numbers::Counters& counters);
    // A row of the stations table was added at its end, or changed.
    void stationAdded(int row);
    void stationChanged(int row);

private:
    // The station being served, cleared as a whole when its connection ends.
    struct Connection {
        QString address;
        bool replySent = false; // one reply per connection
        std::optional<RequestOutcome::Kind> outcome;
        QString firstError;
        ActivityLog::ErrorFilter errors;
    };

    void OnConnectionRequest(std::int32_t requestID) override { mySock_OnConnectionRequest(requestID); }
    void OnSendComplete() override { mySock_OnSendComplete(); }
    void OnError(std::int16_t Number, std::string& Description, std::int32_t Scode, const std::string& Source,
                 const std::string& HelpFile, std::int32_t HelpContext, bool& CancelDisplay) override;
    void mySock_OnConnectionRequest(std::int32_t requestID);
    void mySock_OnSendComplete();

    void startService();
    void releaseSocket();
    void reply();
    void countRequest();
    void armTimer();
    void endConnection(const QString& whyUnanswered);
    void logError(const ErrorRecord& error);
    void checkSilence();

    Setup m_setup;
    ActivityLog m_log;
    std::shared_ptr<CSocket> mySock;
    QString LocalIP;
    QTimer Timer1;
    StationTable m_stations;
    ClockWatch* m_clockWatch = nullptr; // a child of the service
    std::optional<Connection> m_connection;
    ActivityLog::ErrorFilter m_tickErrors;   // a tick that cannot listen, logged once until one can
    ActivityLog::ErrorFilter m_acceptErrors; // accepts that fail, logged once until one succeeds
};
