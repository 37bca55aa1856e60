#include "frmMain.h"

#include "ErrorReport.h"
#include "OpenDocument.h"
#include "ProductIcon.h"
#include "QuestionBox.h"
#include "ShowCounters.h"
#include "SystemTrayIcon.h"
#include "Tutorial.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmStations.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace {

const QString kLineBreak = QStringLiteral("\r\n");
const QString kPauseCaption = QStringLiteral("&Pause");
const QString kRestartCaption = QStringLiteral("&Restart");
const QString kTrayTip = QStringLiteral("Quillet");
const QString kTutorialTitle = QStringLiteral("Confirmation Required");
const QString kTutorialQuestion = QStringLiteral("This opens the tutorial in your web browser.  Continue?");
const QColor kDarkRed(192, 0, 0);
const QColor kBlue(0, 0, 255);

template <typename Widget> Widget* place(Widget* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
              Qt::Alignment horizontal = Qt::AlignLeft) {
    QLabel* created = place(new QLabel(text, parent), name, geometry);
    created->setAlignment(horizontal | Qt::AlignTop);
    return created;
}

QFont makeFont(const QString& family, qreal pointSize, bool bold, bool italic = false) {
    QFont chosen(family);
    chosen.setPointSizeF(pointSize);
    chosen.setBold(bold);
    chosen.setItalic(italic);
    return chosen;
}

void setColor(QWidget* widget, QPalette::ColorRole role, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

QMenu* named(QMenu* menu, const char* name) {
    menu->setObjectName(QLatin1String(name));
    return menu;
}

template <typename Slot>
void addItem(QMenu* menu, const char* name, const QString& caption, frmMain* window, Slot slot) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(QLatin1String(name));
    QObject::connect(item, &QAction::triggered, window, slot);
}

// The window's state as the design numbers it: normal 0, minimized 1, maximized 2.
int stateNumber(Qt::WindowStates states) {
    if (states & Qt::WindowMinimized) {
        return 1;
    }
    return (states & Qt::WindowMaximized) ? 2 : 0;
}

// The text box shows one paragraph per line of the log.
QString forDisplay(const QStringList& lines) {
    return lines.join(QLatin1Char('\n'));
}

} // namespace

frmMain::frmMain(TimeService& service, Setup setup) : m_service(service), m_setup(std::move(setup)) {
    if (!m_setup.trayIcon) {
        m_setup.trayIcon = std::make_shared<SystemTrayIcon>();
    }
    if (!m_setup.askYesNo) {
        m_setup.askYesNo = [this](const QString& title, const QString& text) { return askYesNo(this, title, text); };
    }
    m_setup.trayIcon->setActivationHandler(
        [this](TrayIcon::Activation activation, const QPoint& position) { TrayIcon_Activated(activation, position); });
    m_setup.trayIcon->setGoneHandler([this] { TrayIcon_Gone(); });
    createWindow();
    createControls();
    setControlLooks();
    createMenus();
    createTrayMenu();
    layout()->setSizeConstraint(QLayout::SetFixedSize); // the menu bar and the client area, never resized
    layout()->activate();
    observeService();
}

frmMain::~frmMain() {
    m_setup.trayIcon->setActivationHandler(nullptr);
    m_setup.trayIcon->setGoneHandler(nullptr);
}

// A fixed border with minimize and close buttons; the window's default font is the classic
// MS Sans Serif 8.25 pt, which the labels' sizes were laid out for. On Windows a fixed size alone
// still leaves a sizing frame (WS_THICKFRAME), which the user could grab; the fixed-size hint
// gives the window a thin border instead.
void frmMain::createWindow() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Brindle Quillet"));
    setWindowIcon(productIcon());
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(makeFont(QStringLiteral("MS Sans Serif"), 8.25, false));
}

void frmMain::createControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    client->setFixedSize(twipsRect(0, 0, 4110, 4095).size());

    Label1 = label(client, "Label1", QStringLiteral("Quillet Tarn"), twipsRect(240, 120, 3615, 375), Qt::AlignHCenter);
    lblIP = label(client, "lblIP", QStringLiteral("Label2"), twipsRect(240, 480, 3615, 255), Qt::AlignHCenter);
    txtOutput = place(new QPlainTextEdit(client), "txtOutput", twipsRect(120, 960, 3855, 1695));

    framMain = place(new QFrame(client), "framMain", twipsRect(120, 2760, 3855, 1215));
    Label2 = label(framMain, "Label2", QStringLiteral("Tot Requests:"), twipsRect(120, 240, 1095, 255));
    lblConnections =
        label(framMain, "lblConnections", QStringLiteral("0"), twipsRect(1200, 240, 495, 255), Qt::AlignRight);
    Label3 = label(framMain, "Label3", QStringLiteral("Bytes Sent:"), twipsRect(1920, 240, 855, 255));
    lblSent = label(framMain, "lblSent", QStringLiteral("0"), twipsRect(2880, 240, 855, 255), Qt::AlignRight);
    Line1 = place(new QFrame(framMain), "Line1", twipsRect(120, 480, 3600, 15));
    cmdPause = place(new QPushButton(kPauseCaption, framMain), "cmdPause", twipsRect(120, 600, 1335, 495));
    cmdExit = place(new QPushButton(QStringLiteral("E&xit"), framMain), "cmdExit", twipsRect(2400, 600, 1335, 495));
    // Below the client area's bottom edge: never seen, but it still shows the received count.
    lblReceived = label(client, "lblReceived", QStringLiteral("Label2"), twipsRect(360, 6120, 1575, 255));

    setTabOrder(txtOutput, cmdPause);
    setTabOrder(cmdPause, cmdExit);
    connect(cmdPause, &QPushButton::clicked, this, &frmMain::cmdPause_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
}

void frmMain::setControlLooks() {
    Label1->setFont(makeFont(QStringLiteral("Cambria"), 14.25, true, true));
    lblIP->setFont(makeFont(QStringLiteral("Arial"), 11.25, true));
    setColor(lblIP, QPalette::WindowText, kDarkRed);
    setColor(lblConnections, QPalette::WindowText, kBlue);
    setColor(lblSent, QPalette::WindowText, kBlue);

    // The log: read-only but still in the tab order, so Tab leaves it for the buttons.
    txtOutput->setReadOnly(true);
    txtOutput->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtOutput->setTabChangesFocus(true);
    txtOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setColor(txtOutput, QPalette::Base, QApplication::palette().color(QPalette::Active, QPalette::Button));

    framMain->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Line1->setFrameStyle(QFrame::HLine | QFrame::Plain);
}

void frmMain::createMenus() {
    QMenu* mnufile = named(menuBar()->addMenu(QStringLiteral("&File")), "mnufile");
    addItem(mnufile, "mnuStations", QStringLiteral("&Stations..."), this, &frmMain::mnuStations_Click);
    addItem(mnufile, "mnuExit", QStringLiteral("E&xit"), this, &frmMain::mnuExit_Click);

    QMenu* mnuHelp = named(menuBar()->addMenu(QStringLiteral("&Help")), "mnuHelp");
    addItem(mnuHelp, "mnuView", QStringLiteral("&View Tutorial"), this, &frmMain::mnuView_Click);
    addItem(mnuHelp, "mnuAbout", QStringLiteral("&About"), this, &frmMain::mnuAbout_Click);
}

// The tray icon's menu; it is not in the menu bar.
void frmMain::createTrayMenu() {
    mnuPopupMenu = named(new QMenu(QStringLiteral("PopupMenu"), this), "mnuPopupMenu");
    addItem(mnuPopupMenu, "mnuShow", QStringLiteral("&Show"), this, &frmMain::mnuShow_Click);
    addItem(mnuPopupMenu, "mnuMinExit", QStringLiteral("E&xit"), this, &frmMain::mnuMinExit_Click);
}

// The log, the counters and the button's caption follow the service; the text box starts
// with whatever the service logged before the window was made.
void frmMain::observeService() {
    const ActivityLog& log = m_service.log();
    txtOutput->setPlainText(forDisplay(log.lines()));
    connect(&log, &ActivityLog::lineWritten, this, &frmMain::showLine);
    connect(&log, &ActivityLog::trimmed, this, [this, &log] { txtOutput->setPlainText(forDisplay(log.lines())); });
    connect(&m_service, &TimeService::countersChanged, this, [this](const numbers::Counters& counters) {
        numbers::ShowCounters({lblConnections, lblReceived, lblSent}, counters);
    });
    connect(&m_service, &TimeService::serviceChanged, this, &frmMain::showService);
}

void frmMain::Form_Load() {
    lblIP->setText(m_service.localAddress());
    LastWindowState = 0;
}

void frmMain::showLine(const QString& line, bool firsttime) {
    txtOutput->moveCursor(QTextCursor::End);
    QString shown = firsttime ? line : QLatin1Char('\n') + line;
    txtOutput->insertPlainText(shown.replace(kLineBreak, QStringLiteral("\n")));
    txtOutput->moveCursor(QTextCursor::End);
}

void frmMain::showService() {
    cmdPause->setText(m_service.isPaused() ? kRestartCaption : kPauseCaption);
}

// The caption follows the service's own state, so a restart that fails leaves "&Restart".
void frmMain::cmdPause_Click() {
    if (!m_service.isPaused()) {
        m_service.pause();
        return;
    }
    try {
        m_service.restart();
    } catch (const RuntimeError& error) {
        reportError(error, this);
    }
}

void frmMain::cmdExit_Click() {
    m_service.stop();
    close();
    QCoreApplication::quit(); // also when the window was hidden in the tray
}

// One Stations window at a time; it goes when closed, and the service never notices.
void frmMain::mnuStations_Click() {
    if (!m_stations) {
        m_stations = new frmStations(m_service, this);
        m_stations->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_stations->show();
    m_stations->raise();
    m_stations->activateWindow();
}

void frmMain::mnuExit_Click() {
    cmdExit_Click();
}

void frmMain::showEvent(QShowEvent* event) {
    if (!m_centred) {
        m_centred = true;
        QRect frame(QPoint(), frameGeometry().size()); // a border not known yet counts as none
        frame.moveCenter(screen()->availableGeometry().center());
        move(frame.topLeft());
    }
    QMainWindow::showEvent(event);
}

void frmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
    }
}

// Minimizing hides the window into the tray. Without a tray the window could not be brought
// back once hidden, so there it stays minimized the usual way. The platform may report the
// minimize again once the window is hidden: that adds no second icon.
void frmMain::Form_Resize() {
    if (isMinimized() && isVisible()) {
        askForTray(LastWindowState);
    }
    LastWindowState = stateNumber(windowState());
}

// Whether there is a tray is asked without waiting for the answer, since this thread also serves
// the stations; the window stays minimized meanwhile. One question is open at a time.
void frmMain::askForTray(int stateToShowIn) {
    if (m_askingForTray) {
        return;
    }
    m_askingForTray = true;
    m_setup.trayIcon->askAvailable([window = QPointer<frmMain>(this), stateToShowIn](bool available) {
        if (window) {
            window->TrayIcon_Answered(available, stateToShowIn);
        }
    });
}

// A window brought back, or hidden, while the question was open stays as it is.
void frmMain::TrayIcon_Answered(bool available, int stateToShowIn) {
    m_askingForTray = false;
    if (available && isMinimized() && isVisible()) {
        hideIntoTray(stateToShowIn);
    }
}

// Adds the icon and hides the window in the state it had before, the one it shows in next.
void frmMain::hideIntoTray(int stateToShowIn) {
    TrayData = {windowIcon(), kTrayTip, mnuPopupMenu};
    m_setup.trayIcon->add(TrayData);
    setWindowState(stateToShowIn == 2 ? Qt::WindowMaximized : Qt::WindowNoState);
    hide();
}

// Shows the window, never minimized, even if a late report minimized it while hidden.
void frmMain::showFromTray() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
}

void frmMain::TrayIcon_Activated(TrayIcon::Activation activation, const QPoint& globalPosition) {
    switch (activation) {
    case TrayIcon::Activation::DoubleClick:
    case TrayIcon::Activation::Primary: // a tray host's own click, where no double-click can come
        showFromTray();
        m_setup.trayIcon->remove();
        bringToFront();
        break;
    case TrayIcon::Activation::Context:
        bringToFront();
        mnuPopupMenu->popup(globalPosition);
        break;
    default: break; // a single click, which also starts every double-click, does nothing
    }
}

// A tray that goes away takes the icon with it; the window must not stay hidden behind it.
void frmMain::TrayIcon_Gone() {
    if (!isVisible()) {
        showFromTray();
    }
}

void frmMain::bringToFront() {
    raise();
    activateWindow();
}

void frmMain::mnuShow_Click() {
    showFromTray();
    m_setup.trayIcon->remove();
}

void frmMain::mnuMinExit_Click() {
    cmdExit_Click();
}

// The tutorial comes with the program; where it is missing the user is told where else to read.
void frmMain::mnuView_Click() {
    const QString page = Tutorial::findPage(QCoreApplication::applicationDirPath());
    if (page.isEmpty()) {
        Tutorial::tellPageMissing();
    } else if (m_setup.askYesNo(kTutorialTitle, kTutorialQuestion)) {
        Module1::OpenDocument(page);
    }
}

void frmMain::mnuAbout_Click() {
    frmAbout::showModal(this);
}

// The unload, on every way out: the tray icon goes, whether or not one is shown. The program ends
// with its main window, also when the window was hidden in the tray, as when the uninstaller asks
// it to close (WM_CLOSE): Qt quits by itself only when a visible window closes.
void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QMainWindow::closeEvent(event);
    QCoreApplication::quit();
}

void frmMain::Form_Unload() {
    m_setup.trayIcon->remove();
}
