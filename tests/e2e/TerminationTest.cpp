#include "QuilletProcess.h"

#include "support/EventLoop.h"
#include "support/LoopbackPeer.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

// SIGTERM (as a service manager stops it) ends the program promptly in every state, with status
// 0, or 1 after a start-up error.
namespace {

void expectEndedWith(QuilletProcess& quillet, int status) {
    ASSERT_TRUE(quillet.waitForExit()) << quillet.logLines().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(quillet.crashed());
    EXPECT_EQ(quillet.exitCode(), status) << quillet.standardError().toStdString();
}

bool logHas(QuilletProcess& quillet, const QString& text) {
    return quillet.logLines().join(QLatin1Char('\n')).contains(text);
}

TEST(TerminationTest, ASignalBeforeTheProgramIsSetUpEndsItBeforeItListens) {
    // Blocked and pending from the program's first instruction on.
    QuilletProcess quillet({}, {}, [] {
        sigset_t terminate;
        sigemptyset(&terminate);
        sigaddset(&terminate, SIGTERM);
        sigprocmask(SIG_BLOCK, &terminate, nullptr);
        ::kill(::getpid(), SIGTERM);
    });
    expectEndedWith(quillet, 0);
    EXPECT_FALSE(logHas(quillet, QStringLiteral("Listening")));
}

// A stop signal from a terminal neither stops the server nor keeps it from hearing SIGTERM.
TEST(TerminationTest, AfterTheTerminalsStopSignalsItServesOnAndSIGTERMEndsIt) {
    QuilletProcess quillet;
    ASSERT_TRUE(quillet.waitForListening());
    for (const int signal : {SIGTSTP, SIGTTIN, SIGTTOU}) {
        quillet.sendSignal(signal);
        EXPECT_EQ(testing_support::requestReply(QuilletProcess::kPort).size(), 12u) << signal;
    }
    quillet.sendSignal(SIGTERM);
    expectEndedWith(quillet, 0);
    EXPECT_TRUE(logHas(quillet, QStringLiteral("] Leaving on SIGTERM")));
}

// The program in a namespace that believes it is online while every packet for another host is
// dropped, so the look-up's DNS query is never answered. The resolver is told to wait 30 s a try,
// five tries: long past any deadline here, so an ending cannot come from an answer.
class TerminationDuringLookUpTest : public testing::Test {
protected:
    void SetUp() override {
        QFile resolver(QStringLiteral("/etc/resolv.conf"));
        resolver.open(QIODevice::ReadOnly);
        const QString servers = QString::fromLocal8Bit(resolver.readAll());
        if (!servers.contains(QRegularExpression(QStringLiteral(R"(^nameserver\s+(?!127\.|::1))"),
                                                 QRegularExpression::MultilineOption))) {
            GTEST_SKIP() << "no name server off loopback here, so no DNS query can be left unanswered";
        }
        quillet = std::make_unique<QuilletProcess>(
            QStringList{QStringLiteral("RES_OPTIONS=timeout:30 attempts:5")},
            QStringList{QStringLiteral(QUILLET_ISOLATE), QStringLiteral("blackholed")});
    }

    // A socket of the program's namespace (only the program lives there) waits on a DNS server.
    bool dnsQueryOpen() {
        for (const char* table : {"udp", "udp6"}) {
            QFile sockets(QStringLiteral("/proc/%1/net/%2").arg(quillet->pid()).arg(QLatin1String(table)));
            if (sockets.open(QIODevice::ReadOnly) && sockets.readAll().contains(":0035 ")) {
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<QuilletProcess> quillet;
};

TEST_F(TerminationDuringLookUpTest, DuringTheStartUpLookUpItEndsWithoutStarting) {
    ASSERT_TRUE(testing_support::waitUntil([&] { return dnsQueryOpen(); }, std::chrono::seconds(20)));
    quillet->sendSignal(SIGTERM);
    expectEndedWith(*quillet, 0);
    EXPECT_FALSE(logHas(*quillet, QStringLiteral("Local IP")));
}

TEST_F(TerminationDuringLookUpTest, AfterTheLookUpGaveUpTheUnansweredQueryDoesNotHoldTheExit) {
    ASSERT_TRUE(quillet->waitForLogLine(QStringLiteral("] Listening"), std::chrono::seconds(20)));
    ASSERT_TRUE(dnsQueryOpen());
    quillet->sendSignal(SIGTERM);
    expectEndedWith(*quillet, 0);
}

// Boxes open only where there is a display: a virtual X server, no window manager. Keys go in
// through XTEST to the focused window, as typed.
class TerminationWithABoxOpenTest : public testing::Test {
protected:
    // A display is taken only once a client has reached it. Without -noreset the server would
    // reset, refusing connections a moment, each time its last client leaves.
    static void SetUpTestSuite() {
        for (int attempt = 0; attempt < 5 && s_display.isEmpty(); ++attempt) {
            s_xvfb = std::make_unique<QProcess>();
            s_xvfb->start(QStringLiteral("Xvfb"),
                          {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                           QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                           QStringLiteral("tcp"), QStringLiteral("-noreset")});
            testing_support::waitUntil([] { return s_xvfb->canReadLine(); }, std::chrono::seconds(30));
            s_display = QStringLiteral(":") + QString::fromLatin1(s_xvfb->readLine()).trimmed();
            if (s_display == QStringLiteral(":") || xdotool({QStringLiteral("getdisplaygeometry")}).isEmpty()) {
                stopXvfb();
                s_display.clear();
            }
        }
    }
    static void stopXvfb() {
        s_xvfb->terminate();
        s_xvfb->waitForFinished();
    }
    static void TearDownTestSuite() {
        if (s_xvfb) {
            stopXvfb();
        }
    }
    void SetUp() override { ASSERT_FALSE(s_display.isEmpty()) << "no virtual display could be reached"; }

    void start() {
        quillet = std::make_unique<QuilletProcess>(QStringList{QStringLiteral("QT_QPA_PLATFORM=xcb"),
                                                               QStringLiteral("DISPLAY=") + s_display,
                                                               QStringLiteral("NO_AT_BRIDGE=1")});
    }

    static QString xdotool(const QStringList& arguments) {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), s_display);
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral("xdotool"), arguments);
        tool.waitForFinished(30000);
        return QString::fromLatin1(tool.readAllStandardOutput()).trimmed();
    }
    static bool windowShown(const QString& title) {
        return !xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                         QLatin1Char('^') + title + QLatin1Char('$')})
                    .isEmpty();
    }
    bool waitForWindow(const QString& title) {
        return testing_support::waitUntil([&] { return windowShown(title); }, std::chrono::seconds(30));
    }
    static int shownWindowCount() {
        const QString windows = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                         QStringLiteral("--classname"), QStringLiteral("quillet")});
        return windows.isEmpty() ? 0 : static_cast<int>(windows.count(QLatin1Char('\n'))) + 1;
    }
    // Focuses the main window and types the keys, as "alt+p".
    void type(const QString& keys) {
        ASSERT_TRUE(waitForWindow(QStringLiteral("Brindle Quillet")))
            << quillet->logLines().join(QLatin1Char('\n')) << quillet->standardError()
            << s_xvfb->readAllStandardError().toStdString();
        const QString window = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), QStringLiteral("^Brindle Quillet$")})
                                   .section(QLatin1Char('\n'), 0, 0);
        xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
        xdotool({QStringLiteral("key"), keys});
    }
    // Opens the Help menu and, once it shows, picks the item by its access key.
    void chooseFromHelp(const QString& key) {
        const int before = shownWindowCount();
        type(QStringLiteral("alt+h"));
        ASSERT_TRUE(testing_support::waitUntil([&] { return shownWindowCount() > before; }, std::chrono::seconds(30)));
        xdotool({QStringLiteral("key"), key});
    }
    void terminateWhileShown(const QString& title, int status) {
        ASSERT_TRUE(waitForWindow(title)) << quillet->logLines().join(QLatin1Char('\n')) << quillet->standardError()
                                          << s_xvfb->readAllStandardError().toStdString() << " on " << s_display;
        quillet->sendSignal(SIGTERM);
        expectEndedWith(*quillet, status);
    }

    static inline std::unique_ptr<QProcess> s_xvfb;
    static inline QString s_display;
    std::unique_ptr<QuilletProcess> quillet;
};

TEST_F(TerminationWithABoxOpenTest, TheStartUpErrorBoxKeepsStatusOne) {
    testing_support::RivalListener other(QuilletProcess::kPort);
    start();
    terminateWhileShown(QStringLiteral("Quillet"), 1);
}

TEST_F(TerminationWithABoxOpenTest, TheRestartErrorBox) {
    start();
    ASSERT_TRUE(quillet->waitForListening());
    type(QStringLiteral("alt+p"));
    ASSERT_TRUE(quillet->waitForLogLine(QStringLiteral("Socket Closed")));
    testing_support::RivalListener other(QuilletProcess::kPort);
    type(QStringLiteral("alt+r"));
    terminateWhileShown(QStringLiteral("Quillet"), 0);
}

TEST_F(TerminationWithABoxOpenTest, TheAboutBox) {
    start();
    chooseFromHelp(QStringLiteral("a"));
    terminateWhileShown(QStringLiteral("About Quillet"), 0);
}

TEST_F(TerminationWithABoxOpenTest, TheViewTutorialQuestion) {
    start();
    chooseFromHelp(QStringLiteral("v"));
    terminateWhileShown(QStringLiteral("Confirmation Required"), 0);
}

} // namespace
