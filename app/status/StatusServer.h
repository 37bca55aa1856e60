#pragma once

#include <QByteArray>
#include <memory>

class ActivityLog;
class StatusSocket;
class TimeService;

// Answers `quillet --status` from the time service: the request "text" with the status as text,
// "json" with the same as JSON; any other request gets nothing. Its own failures go to the
// activity log it is given. GUI thread only.
class StatusServer {
public:
    StatusServer(const TimeService& service, ActivityLog& log);
    ~StatusServer();

    // Listens on the status socket once the service listens, so that a second server that could
    // not start never takes it over. A failure is logged and the service goes on without it.
    void open();

private:
    QByteArray answer(const QByteArray& request) const;

    const TimeService& m_service;
    ActivityLog& m_log;
    std::unique_ptr<StatusSocket> m_socket;
};
