#include "CommandLine.h"
#include "DisplayPresence.h"
#include "ErrorReport.h"
#include "FontSubstitutes.h"
#include "Module2.h"
#include "PendingLookups.h"
#include "ProcessEnd.h"
#include "ProductIcon.h"
#include "QuilletVersion.h"
#include "ServerCompanions.h"
#include "StatusServer.h"
#include "TerminationSignals.h"
#include "TimeService.h"
#include "WarningBox.h"
#include "frmMain.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <functional>

namespace {

// Warnings go to standard error and to the activity log, and are shown in a box; the handler is
// the service's for as long as the service lives.
class WarningBoxes {
public:
    explicit WarningBoxes(ActivityLog& log) {
        m_replaced = setWarningBoxHandler([&log](const std::string& title, const std::string& text) {
            std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
            log.writebox(QString::fromStdString(title + ": " + text), log.isEmpty());
            QMessageBox::warning(nullptr, QString::fromStdString(title), QString::fromStdString(text));
        });
    }
    ~WarningBoxes() { setWarningBoxHandler(std::move(m_replaced)); }
    WarningBoxes(const WarningBoxes&) = delete;
    WarningBoxes& operator=(const WarningBoxes&) = delete;

private:
    WarningBoxHandler m_replaced;
};

// A termination signal came during the start-up's address look-up; nothing listens yet.
struct StartUpInterrupted {};

std::string localAddressUnlessTerminated() {
    std::string address = Module2::GetLocalIPAddress();
    if (TerminationSignals::requested()) {
        throw StartUpInterrupted{};
    }
    return address;
}

// Every activity-log line also goes to standard output, as it happens: the journal's copy.
void writeToStandardOutput(const QString& line) {
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

// The service and those who observe it whether or not there is a window: the log on standard
// output, the status socket and this system's companions (the service manager's notices).
struct Server {
    explicit Server(TimeService::Setup setup) : service(std::move(setup)) {
        QObject::connect(&service.log(), &ActivityLog::lineWritten, &service,
                         [](const QString& line) { writeToStandardOutput(line); });
    }

    // Starts the service and runs the event loop; answers the exit status. A start-up error
    // keeps its status 1 even when a signal closes its box.
    int run(const std::function<void(const RuntimeError&)>& report, const std::function<void()>& started) {
        try {
            if (TerminationSignals::requested()) {
                return 0;
            }
            service.start();
        } catch (const StartUpInterrupted&) {
            return 0;
        } catch (const RuntimeError& error) {
            report(error);
            return 1;
        }
        status.open();
        started();
        for (const auto& companion : companions) {
            companion->ready();
        }
        return QCoreApplication::exec();
    }

    // The last line names the signal the program leaves on, if any; the companions hear that it
    // stops.
    void finish() {
        if (TerminationSignals::requested()) {
            service.log().writebox(QStringLiteral("Leaving on ") + TerminationSignals::requestedBy(),
                                   service.log().isEmpty());
        }
        for (const auto& companion : companions) {
            companion->stopping();
        }
    }

    TimeService service;
    std::vector<std::unique_ptr<ServerCompanion>> companions = makeServerCompanions(service);
    StatusServer status{service, service.log()}; // quillet --status
};

// The exit command runs on a termination signal, which also ends the loops of an open box and
// of the start-up's look-up.
void leaveOnTermination(TerminationSignals& termination, const std::function<void()>& exitCommand) {
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &termination, [exitCommand] {
        exitCommand();
        QCoreApplication::exit(0);
    });
}

TimeService::Setup serviceSetup() {
    TimeService::Setup setup;
    setup.localAddress = &localAddressUnlessTerminated;
    return setup;
}

// The application object's end would wait for a host look-up's answer; the process ends
// without it once the program has let go of what it owns.
int finish(int status) {
    if (PendingLookups::any()) {
        endProcess(status);
    }
    return status;
}

// No display: the service alone, on QtCore, with no window, font or GUI platform loaded.
int runHeadless(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    TerminationSignals termination;
    int status = 0;
    {
        Server server(serviceSetup());
        leaveOnTermination(termination, [&server] { server.service.stop(); });
        status = server.run(
            [](const RuntimeError& error) {
                std::fprintf(stderr, "%s\n", qPrintable(describeError(error)));
                std::fflush(stderr);
            },
            [] {});
        server.finish();
    }
    return finish(status);
}

int runWithWindow(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    QApplication::setWindowIcon(productIcon());
    installFontSubstitutes();
    TerminationSignals termination;
    int status = 0;
    {
        Server server(serviceSetup());
        const WarningBoxes warnings(server.service.log());
        frmMain form(server.service);
        leaveOnTermination(termination, [&form] { form.cmdExit_Click(); });
        status = server.run([](const RuntimeError& error) { reportError(error); },
                            [&form] {
                                form.Form_Load();
                                form.show();
                            });
        server.finish();
    }
    return finish(status);
}

} // namespace

int main(int argc, char* argv[]) {
    TerminationSignals::catchSignals();
    if (const auto answered = answerCommandLine({argv + 1, argv + argc})) {
        return *answered;
    }
    int qtArgumentCount = 1; // Qt's own options are not the program's: it sees none
    return displayNamed() ? runWithWindow(qtArgumentCount, argv) : runHeadless(qtArgumentCount, argv);
}
