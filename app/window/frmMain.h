#pragma once

#include "TimeService.h"
#include "TrayIcon.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class frmStations;

// The main window: a view of the time service (the address for stations, the activity log,
// the counters) with its controls, the tray icon and the menus. It drives the service only
// through its commands: pause, restart and leaving.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // Which tray the window minimizes into and who answers its questions; tests set their own.
    struct Setup {
        std::shared_ptr<TrayIcon> trayIcon; // the desktop's tray when empty
        // Yes or No to a question; a modal message box when empty.
        std::function<bool(const QString& title, const QString& text)> askYesNo;
    };

    explicit frmMain(TimeService& service, Setup setup = {});
    ~frmMain() override;

    // Shows what the service's start-up found.
    void Form_Load();

public slots:
    void cmdPause_Click();
    void cmdExit_Click();
    void mnuStations_Click();
    void mnuExit_Click();
    void mnuShow_Click();
    void mnuMinExit_Click();
    void mnuView_Click();
    void mnuAbout_Click();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
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
    void observeService();
    void showLine(const QString& line, bool firsttime);
    void showService();

    TimeService& m_service;
    Setup m_setup;
    int LastWindowState = 0;
    TrayIconData TrayData;
    bool m_centred = false;
    bool m_askingForTray = false; // whether there is a tray, asked at a minimize

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
    QPointer<frmStations> m_stations; // while the Stations window is open
};
