#include "frmMain.h"

#include "ErrorReport.h"
#include "Module1.h"
#include "Module2.h"
#include "numbers.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdio>

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kMaxLogLines = 200;  // more than this is cut back...
constexpr int kKeptLogLines = 100; // ...to the newest this many
const QString kLineBreak = QStringLiteral("\r\n");
const QString kPauseCaption = QStringLiteral("&Pause");
const QString kRestartCaption = QStringLiteral("&Restart");

QRect twips(int left, int top, int width, int height) {
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel);
}

template <typename Widget> Widget* place(Widget* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    return place(new QLabel(text, parent), name, geometry);
}

// The text box shows one paragraph per line; the log itself keeps CR LF between lines.
QString forDisplay(const QString& logText) {
    QString shown = logText;
    return shown.replace(kLineBreak, QStringLiteral("\n"));
}

void writeToStandardOutput(const QString& line) {
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

frmMain::frmMain() : frmMain(Setup{}) {}

frmMain::frmMain(Setup setup) : m_setup(std::move(setup)) {
    if (!m_setup.localAddress) {
        m_setup.localAddress = [] { return Module2::GetLocalIPAddress(); };
    }
    Timer1.setObjectName(QStringLiteral("Timer1"));
    Timer1.setParent(this);
    connect(&Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    createControls();
    createMenus();
}

frmMain::~frmMain() {
    if (mySock) {
        mySock->setListener(nullptr);
    }
}

void frmMain::createControls() {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    client->setFixedSize(twips(0, 0, 4110, 4095).size());

    Label1 = label(client, "Label1", QStringLiteral("Quillet Tarn"), twips(240, 120, 3615, 375));
    lblIP = label(client, "lblIP", QStringLiteral("Label2"), twips(240, 480, 3615, 255));
    txtOutput = place(new QPlainTextEdit(client), "txtOutput", twips(120, 960, 3855, 1695));
    txtOutput->setReadOnly(true);
    txtOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    framMain = place(new QFrame(client), "framMain", twips(120, 2760, 3855, 1215));
    framMain->setFrameShape(QFrame::Box);
    Label2 = label(framMain, "Label2", QStringLiteral("Tot Requests:"), twips(120, 240, 1095, 255));
    lblConnections = label(framMain, "lblConnections", QStringLiteral("0"), twips(1200, 240, 495, 255));
    Label3 = label(framMain, "Label3", QStringLiteral("Bytes Sent:"), twips(1920, 240, 855, 255));
    lblSent = label(framMain, "lblSent", QStringLiteral("0"), twips(2880, 240, 855, 255));
    Line1 = place(new QFrame(framMain), "Line1", twips(120, 480, 3600, 15));
    Line1->setFrameShape(QFrame::HLine);
    cmdPause = place(new QPushButton(kPauseCaption, framMain), "cmdPause", twips(120, 600, 1335, 495));
    cmdExit = place(new QPushButton(QStringLiteral("E&xit"), framMain), "cmdExit", twips(2400, 600, 1335, 495));
    // Below the client area's bottom edge: never seen, but it still shows the received count.
    lblReceived = label(client, "lblReceived", QStringLiteral("Label2"), twips(360, 6120, 1575, 255));

    connect(cmdPause, &QPushButton::clicked, this, &frmMain::cmdPause_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
}

void frmMain::createMenus() {
    QMenu* mnufile = menuBar()->addMenu(QStringLiteral("&File"));
    mnufile->setObjectName(QStringLiteral("mnufile"));
    QAction* mnuExit = mnufile->addAction(QStringLiteral("E&xit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
}

// ---- start-up and service controls ----

void frmMain::Form_Load() {
    LocalIP = QString::fromStdString(m_setup.localAddress());
    lblIP->setText(LocalIP);
    writebox(QStringLiteral("Local IP: ") + LocalIP, true);
    startService();
    LastWindowState = 0;
}

// Creates the service's socket object and listens; the log lines are fixed labels
// written in this order whatever the socket does.
void frmMain::startService() {
    mySock = CSocket::create();
    mySock->setListener(this);
    writebox(QStringLiteral("Bound"), false);
    mySock->LocalPort(m_setup.port);
    writebox(QStringLiteral("Port: %1").arg(m_setup.port), false);
    mySock->CloseSocket();
    mySock->Listen();
    writebox(QStringLiteral("Listening"), false);
}

void frmMain::cmdPause_Click() {
    if (cmdPause->text() == kPauseCaption) {
        Timer1.stop();
        if (mySock) {
            mySock->CloseSocket();
            mySock->setListener(nullptr);
        }
        mySock.reset();
        writebox(QStringLiteral("Socket Closed"), false);
        cmdPause->setText(kRestartCaption);
        return;
    }
    try {
        startService();
        cmdPause->setText(kPauseCaption);
    } catch (const RuntimeError& error) {
        reportError(error, this);
    }
}

void frmMain::cmdExit_Click() {
    Timer1.stop();
    if (mySock) {
        mySock->CloseSocket();
        mySock->setListener(nullptr);
    }
    mySock.reset();
    close();
    QCoreApplication::quit(); // also when the window was hidden in the tray
}

void frmMain::mnuExit_Click() {
    cmdExit_Click();
}

// ---- the request cycle ----

void frmMain::mySock_OnConnectionRequest(std::int32_t requestID) {
    try {
        mySock->CloseSocket(); // nothing listens from here until a tick listens again
        mySock->Accept(requestID);
        writebox(QStringLiteral("RQST: [") + QString::fromStdString(mySock->RemoteHostIP()) + QLatin1Char(']'), false);
        armTimer();
        addChecked(numbers::TotalRequests, 1, "numbers");
        numbers::TotalBytesSent = mySock->m_lngTotalBytesSent;
        numbers::TotalBytesReceived = mySock->m_lngTotalBytesReceived;
        numbers::ShowCounters({lblConnections, lblReceived, lblSent});
        TrimLog();
    } catch (const RuntimeError&) {
        // The request ends silently; the listener is closed, so the next tick must listen.
        armTimer();
    }
}

void frmMain::mySock_OnSendComplete() {
    mySock->CloseSocket();
}

void frmMain::Timer1_Timer() {
    if (!mySock) {
        return;
    }
    try {
        if (mySock->State() == SocketState::kConnected) {
            const QDateTime now = m_setup.clock();
            mySock->SendData((Module1::ReplyDate(now.date()) + Module1::ReplyTime(now.time())).toStdString());
        } else {
            mySock->CloseSocket();
            mySock->Listen();
        }
        m_lastTickError.reset();
    } catch (const RuntimeError& error) {
        logTickError(error);
    }
}

void frmMain::armTimer() {
    Timer1.setInterval(kTickMilliseconds);
    Timer1.start();
}

// A tick that fails is logged once; the same error repeating tick after tick is not.
void frmMain::logTickError(const RuntimeError& error) {
    const std::pair<std::int32_t, std::string> key{error.number(), error.description()};
    if (m_lastTickError != key) {
        m_lastTickError = key;
        writebox(describeError(error), false);
    }
}

// ---- the activity log ----

void frmMain::writebox(const QString& Data, bool firsttime) {
    const QString line = Module1::LogStamp(m_setup.clock()) + QLatin1Char(' ') + Data;
    const QString added = firsttime ? line : kLineBreak + line;
    m_log += added;
    txtOutput->moveCursor(QTextCursor::End);
    txtOutput->insertPlainText(forDisplay(added));
    txtOutput->moveCursor(QTextCursor::End);
    writeToStandardOutput(line);
}

void frmMain::TrimLog() {
    const int lines = static_cast<int>(m_log.count(kLineBreak)) + 1;
    if (lines <= kMaxLogLines) {
        return;
    }
    qsizetype cut = -1;
    for (int removed = 0; removed < lines - kKeptLogLines; ++removed) {
        cut = m_log.indexOf(kLineBreak, cut + 1);
    }
    m_log = m_log.mid(cut + kLineBreak.size());
    txtOutput->setPlainText(forDisplay(m_log));
}
