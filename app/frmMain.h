#pragma once

#include "CSocket.h"
#include "ClockHealth.h"
#include "RuntimeError.h"
#include "TrayIcon.h"

#include <QDateTime>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class ClockWatch;
class QFrame;
class QLabel;
class QMenu;
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

    // Where the service's port, clock and local address come from, which tray the window
    // minimizes into and who answers its questions; tests set their own.
    struct Setup {
        std::uint16_t port = kServicePort;
        std::function<QDateTime()> clock = &QDateTime::currentDateTime;
        std::function<std::string()> localAddress;
        std::shared_ptr<TrayIcon> trayIcon; // the desktop's tray when empty
        // Yes or No to a question; a modal message box when empty.
        std::function<bool(const QString& title, const QString& text)> askYesNo;
        std::shared_ptr<ClockHealth> clockHealth; // the kernel's when empty
    };

    frmMain();
    explicit frmMain(Setup setup);
    ~frmMain() override;

    // The start-up: finds the address, starts listening. Socket errors are raised.
    void Form_Load();
    void writebox(const QString& Data, bool firsttime);
    // The log as the text box holds it: lines joined by CR LF.
    const QString& logText() const { return m_log; }
    // What the service knows of the system clock's health.
    ClockWatch& clockWatch() { return *m_clockWatch; }
    // What the window shows of the service: the address for stations and whether it is paused.
    const QString& shownAddress() const { return LocalIP; }
    bool isPaused() const { return !mySock; }

signals:
    // The service started, paused, restarted or counted a request.
    void serviceChanged();

public slots:
    void cmdPause_Click();
    void cmdExit_Click();
    void mnuExit_Click();
    void Timer1_Timer();
    void mnuShow_Click();
    void mnuMinExit_Click();
    void mnuView_Click();
    void mnuAbout_Click();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnConnectionRequest(std::int32_t requestID) override { mySock_OnConnectionRequest(requestID); }
    void OnSendComplete() override { mySock_OnSendComplete(); }
    void mySock_OnConnectionRequest(std::int32_t requestID);
    void mySock_OnSendComplete();

    void Form_Resize();
    void askForTray(int stateToShowIn);
    void TrayIcon_Answered(bool available, int stateToShowIn);
    void hideIntoTray(int stateToShowIn);
    void showFromTray();
    void Form_Unload();
    void TrayIcon_Activated(TrayIcon::Activation activation, const QPoint& globalPosition);
    void TrayIcon_Gone();
    void bringToFront();

    void createWindow();
    void createControls();
    void setControlLooks();
    void createMenus();
    void createTrayMenu();
    void startService();
    void stopService();
    void armTimer();
    void TrimLog();
    void logTickError(const RuntimeError& error);
    using ErrorKey = std::pair<std::int32_t, std::string>;
    void logOnce(std::optional<ErrorKey>& lastLogged, const RuntimeError& error);

    Setup m_setup;
    std::shared_ptr<CSocket> mySock;
    QString LocalIP;
    QTimer Timer1;
    int LastWindowState = 0;
    TrayIconData TrayData;
    bool m_centred = false;
    bool m_askingForTray = false; // whether there is a tray, asked at a minimize
    QString m_log;
    std::optional<ErrorKey> m_lastTickError;
    std::optional<ErrorKey> m_lastConnectionError; // failed accepts and dropped errors, since the last request
    bool m_replySent = false;                      // the current connection has had its reply
    ClockWatch* m_clockWatch = nullptr;            // a child of the window

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

    QMenu* mnuPopupMenu = nullptr;
};
