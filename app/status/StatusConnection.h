#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <functional>

// The answer to one request; an empty answer closes the connection without one.
using StatusAnswer = std::function<QByteArray(const QByteArray& request)>;

// One client of the status socket. Takes one request of at most kMaxRequest bytes, ended by a
// line feed or by the client's end of sending, writes the answer as fast as the client takes it,
// then closes. A client that sends more, or takes longer than kDeadline altogether, is let go
// unanswered: nothing here ever waits on the client. Owns the descriptor; deletes itself once done.
class StatusConnection : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxRequest = 64;
    static constexpr std::chrono::milliseconds kDeadline{2000};

    StatusConnection(int descriptor, StatusAnswer answer, QObject* parent);
    ~StatusConnection() override;

signals:
    // The connection is closed; the object goes at the next turn of the event loop.
    void finished();

private:
    void readRequest();
    void respond(const QByteArray& request);
    void writeAnswer();
    void finish();

    int m_descriptor;
    StatusAnswer m_answerFor;
    QByteArray m_request;
    QByteArray m_answer;
    qsizetype m_written = 0;
    QSocketNotifier m_readable;
    QSocketNotifier m_writable;
    QTimer m_deadline;
};
