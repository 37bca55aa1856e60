#include "TimeService.h"

#include "ClockWatch.h"
#include "ErrorText.h"
#include "KernelClockHealth.h"
#include "Module1.h"
#include "Module2.h"

namespace {

const QString kPausedBeforeReply = QStringLiteral("Socket Closed");

} // namespace

TimeService::TimeService() : TimeService(Setup{}) {}

TimeService::TimeService(Setup setup)
    : m_setup(std::move(setup)), m_log(m_setup.clock),
      m_stations([this](const QString& text) { m_log.writebox(text, false); }) {
    setObjectName(QStringLiteral("timeService"));
    if (!m_setup.localAddress) {
        m_setup.localAddress = [] { return Module2::GetLocalIPAddress(); };
    }
    if (!m_setup.clockHealth) {
        m_setup.clockHealth = std::make_shared<KernelClockHealth>();
    }
    m_clockWatch = new ClockWatch(
        m_setup.clockHealth, m_setup.clock, ClockWatch::releaseDate(),
        [this](const QString& text) { m_log.writebox(text, false); }, this);
    connect(m_clockWatch, &ClockWatch::checked, this, &TimeService::checkSilence);
    m_stations.setObserver([this](int row, bool added) {
        if (added) {
            emit stationAdded(row);
        } else {
            emit stationChanged(row);
        }
    });
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setTimerType(Qt::PreciseTimer); // a coarse timer may tick anywhere from 95 to 105 ms
    Timer1.setParent(this);
    if (!m_setup.tickByHand) {
        connect(&Timer1, &QTimer::timeout, this, &TimeService::Timer1_Timer);
    }
}

TimeService::~TimeService() {
    if (mySock) {
        mySock->setListener(nullptr);
    }
}

void TimeService::start() {
    LocalIP = QString::fromStdString(m_setup.localAddress());
    m_log.writebox(QStringLiteral("Local IP: ") + LocalIP, true);
    startService();
    m_clockWatch->start();
}

// Creates the service's socket object and listens; the log lines are fixed labels
// written in this order whatever the socket does.
void TimeService::startService() {
    mySock = CSocket::create();
    mySock->setListener(this);
    m_log.writebox(QStringLiteral("Bound"), false);
    mySock->LocalPort(m_setup.port);
    m_log.writebox(QStringLiteral("Port: %1").arg(m_setup.port), false);
    mySock->CloseSocket();
    try {
        mySock->Listen();
    } catch (const RuntimeError& error) {
        // The user hears of it in the log as of any other failure; the caller still reports it.
        m_log.writebox(describeError(error), false);
        throw;
    }
    m_log.writebox(QStringLiteral("Listening"), false);
    emit serviceChanged();
}

void TimeService::pause() {
    releaseSocket();
    m_log.writebox(kPausedBeforeReply, false);
    emit serviceChanged();
}

void TimeService::restart() {
    try {
        startService();
    } catch (const RuntimeError&) {
        releaseSocket(); // nothing listens, so the service is paused still
        throw;
    }
}

QString TimeService::runWord() const {
    return isPaused() ? QStringLiteral("paused") : QStringLiteral("listening");
}

void TimeService::stop() {
    releaseSocket();
}

// Stops the tick, closes the socket object and lets go of it.
void TimeService::releaseSocket() {
    Timer1.stop();
    if (mySock) {
        mySock->CloseSocket();
        mySock->setListener(nullptr);
    }
    mySock.reset();
    endConnection(kPausedBeforeReply);
}

void TimeService::mySock_OnConnectionRequest(std::int32_t requestID) {
    endConnection(QString());
    try {
        mySock->CloseSocket(); // nothing listens from here until a tick listens again
        mySock->Accept(requestID);
    } catch (const RuntimeError& error) {
        // A failed accept is no request: its error is logged and the next tick listens.
        m_log.writeError(m_acceptErrors, error.record());
        armTimer();
        return;
    }
    m_acceptErrors.reset();
    const QString address = QString::fromStdString(mySock->RemoteHostIP());
    m_connection.emplace();
    m_connection->address = address;
    m_log.writebox(QStringLiteral("RQST: [") + address + QLatin1Char(']'), false);
    m_stations.recordRequest(address, m_setup.clock());
    armTimer();
    countRequest();
    m_log.TrimLog();
}

// Past the largest count the request is still answered; the counters stay as they were.
void TimeService::countRequest() {
    try {
        addChecked(numbers::TotalRequests, 1, "numbers");
        numbers::TotalBytesSent = mySock->m_lngTotalBytesSent;
        numbers::TotalBytesReceived = mySock->m_lngTotalBytesReceived;
        emit countersChanged(numbers::current());
    } catch (const RuntimeError& error) {
        logError(error.record());
    }
    emit serviceChanged();
}

void TimeService::mySock_OnSendComplete() {
    if (m_connection) {
        m_connection->outcome = RequestOutcome::Kind::Served;
    }
    mySock->CloseSocket();
}

void TimeService::OnError(std::int16_t Number, std::string& Description, std::int32_t /*Scode*/,
                          const std::string& Source, const std::string& /*HelpFile*/, std::int32_t /*HelpContext*/,
                          bool& /*CancelDisplay*/) {
    logError(ErrorRecord{Number, Description, Source});
}

// One reply per connection: a connection still open a tick after its reply is let go,
// and one whose reply failed is closed at once, so every state leads back to listening
// within two ticks.
void TimeService::Timer1_Timer() {
    if (!mySock) {
        return;
    }
    try {
        if (mySock->State() == SocketState::Connected && m_connection && !m_connection->replySent) {
            reply();
        } else if (mySock->State() == SocketState::Connected) {
            mySock->CloseSocket();
        } else {
            endConnection(QString());
            mySock->CloseSocket();
            mySock->Listen();
            m_tickErrors.reset();
        }
    } catch (const RuntimeError& error) {
        logError(error.record());
        mySock->CloseSocket(); // the connection whose reply failed, or a half-made listener
    }
}

// The reply is built from one reading of the clock; a clock no reply may carry closes the
// connection instead, and the station gets no time rather than an impossible one.
void TimeService::reply() {
    m_connection->replySent = true;
    const QDateTime now = m_setup.clock();
    if (m_clockWatch->mayReply(now)) {
        mySock->SendData((Module1::ReplyDate(now.date()) + Module1::ReplyTime(now.time())).toStdString());
    } else {
        m_connection->outcome = RequestOutcome::Kind::Withheld;
        mySock->CloseSocket();
    }
}

void TimeService::armTimer() {
    Timer1.setInterval(kTickMilliseconds);
    Timer1.start();
}

// The station's connection is over: its record goes as a whole, and the table of stations hears
// how it ended.
void TimeService::endConnection(const QString& whyUnanswered) {
    if (!m_connection) {
        return;
    }
    const Connection ended = std::move(*m_connection);
    m_connection.reset();
    const RequestOutcome::Kind kind = ended.outcome.value_or(RequestOutcome::Kind::Failed);
    const QString error =
        ended.firstError.isEmpty() && kind == RequestOutcome::Kind::Failed ? whyUnanswered : ended.firstError;
    m_stations.recordOutcome(ended.address, RequestOutcome{kind, error});
}

// Rides on the clock's checks, every 10 s. While paused nothing listens, so a station that
// does not get through is not silent.
void TimeService::checkSilence() {
    if (!isPaused()) {
        m_stations.checkSilence(m_setup.clock());
    }
}

// Errors go to the log once: those of a connection once per connection, the others once
// until the service gets past them.
void TimeService::logError(const ErrorRecord& error) {
    if (!m_connection) {
        m_log.writeError(m_tickErrors, error);
        return;
    }
    const std::optional<QString> line = m_log.writeError(m_connection->errors, error);
    if (line && m_connection->firstError.isEmpty()) {
        m_connection->firstError = *line;
    }
}
