#pragma once

#include "CSocket.h"
#include "RuntimeError.h"

#include <QDateTime>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The main window and the time service it hosts: one socket object listening on the
// service port answers each station with the local date and time as 12 digits, then
// closes and listens again, driven by a 100 ms tick once the first request came.
class frmMain : public QMainWindow, private CSocketEvents {
    Q_OBJECT
public:
    static constexpr std::uint16_t kServicePort = 10325;
    static constexpr int kTickMilliseconds = 100;

    // Where the service's port, clock and local address come from; tests set their own.
    struct Setup {
        std::uint16_t port = kServicePort;
        std::function<QDateTime()> clock = &QDateTime::currentDateTime;
        std::function<std::string()> localAddress;
    };

    frmMain();
    explicit frmMain(Setup setup);
    ~frmMain() override;

    // The start-up: finds the address, starts listening. Socket errors are raised.
    void Form_Load();
    void writebox(const QString& Data, bool firsttime);
    // The log as the text box holds it: lines joined by CR LF.
    const QString& logText() const { return m_log; }

public slots:
    void cmdPause_Click();
    void cmdExit_Click();
    void mnuExit_Click();
    void Timer1_Timer();

private:
    void OnConnectionRequest(std::int32_t requestID) override { mySock_OnConnectionRequest(requestID); }
    void OnSendComplete() override { mySock_OnSendComplete(); }
    void mySock_OnConnectionRequest(std::int32_t requestID);
    void mySock_OnSendComplete();

    void createControls();
    void createMenus();
    void startService();
    void armTimer();
    void TrimLog();
    void logTickError(const RuntimeError& error);

    Setup m_setup;
    std::shared_ptr<CSocket> mySock;
    QString LocalIP;
    QTimer Timer1;
    int LastWindowState = 0;
    QString m_log;
    std::optional<std::pair<std::int32_t, std::string>> m_lastTickError;

    QLabel* Label1 = nullptr;
    QLabel* lblIP = nullptr;
    QPlainTextEdit* txtOutput = nullptr;
    QFrame* framMain = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblConnections = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblSent = nullptr;
    QFrame* Line1 = nullptr;
    QPushButton* cmdPause = nullptr;
    QPushButton* cmdExit = nullptr;
    QLabel* lblReceived = nullptr;
};
