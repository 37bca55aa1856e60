#include "ClockWatch.h"
#include "CommandLine.h"
#include "ErrorReport.h"
#include "FontSubstitutes.h"
#include "Module2.h"
#include "PendingLookups.h"
#include "ProcessEnd.h"
#include "ProductIcon.h"
#include "ServiceNotifier.h"
#include "TerminationSignals.h"
#include "WarningBox.h"
#include "frmMain.h"
#include "numbers.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace {

// Started from SSH or at boot there is no display: the server then runs on Qt's offscreen
// platform instead of aborting. A platform named in QT_QPA_PLATFORM always wins.
void runOffscreenWithoutDisplay() {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

// Warnings go to standard error; with a display they are also shown in a box.
void installWarningBox() {
    if (!hasDisplay()) {
        return;
    }
    setWarningBoxHandler([](const std::string& title, const std::string& text) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        QMessageBox::warning(nullptr, QString::fromStdString(title), QString::fromStdString(text));
    });
}

// A termination signal came during the start-up's address look-up; nothing listens yet.
struct StartUpInterrupted {};

std::string localAddressUnlessTerminated() {
    std::string address = Module2::GetLocalIPAddress();
    if (TerminationSignals::requested()) {
        throw StartUpInterrupted{};
    }
    return address;
}

// "Address 192.168.1.10, 3 requests served, listening, clock synchronised": what the service
// manager shows.
void addStatusParts(ServiceNotifier& notifier, frmMain& form) {
    notifier.addStatusPart([&form] {
        const QString& address = form.shownAddress();
        return address.isEmpty() ? QStringLiteral("No address") : QStringLiteral("Address ") + address;
    });
    notifier.addStatusPart([] {
        return numbers::TotalRequests == 1 ? QStringLiteral("1 request served")
                                           : QStringLiteral("%1 requests served").arg(numbers::TotalRequests);
    });
    notifier.addStatusPart(
        [&form] { return form.isPaused() ? QStringLiteral("paused") : QStringLiteral("listening"); });
    notifier.addStatusPart([&form] { return form.clockWatch().stateText(); });
    QObject::connect(&form.clockWatch(), &ClockWatch::stateTextChanged, &notifier, &ServiceNotifier::statusChanged);
}

// Starts the service and runs the event loop; answers the exit status. A start-up error keeps
// its status 1 even when a signal closes its box.
int run(frmMain& form, ServiceNotifier& notifier) {
    try {
        if (TerminationSignals::requested()) {
            return 0;
        }
        form.Form_Load();
    } catch (const StartUpInterrupted&) {
        return 0;
    } catch (const RuntimeError& error) {
        reportError(error);
        return 1;
    }
    notifier.ready();
    form.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    TerminationSignals::catchSignals();
    if (const auto answered = answerCommandLine({argv + 1, argv + argc})) {
        return *answered;
    }
    runOffscreenWithoutDisplay();
    int qtArgumentCount = 1; // Qt's own options are not the program's: it sees none
    QApplication application(qtArgumentCount, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    QApplication::setWindowIcon(productIcon());
    installFontSubstitutes();
    TerminationSignals termination;
    installWarningBox();

    int status = 0;
    {
        frmMain::Setup setup;
        setup.localAddress = &localAddressUnlessTerminated;
        frmMain form(std::move(setup));
        ServiceNotifier notifier;
        addStatusParts(notifier, form);
        QObject::connect(&form, &frmMain::serviceChanged, &notifier, &ServiceNotifier::statusChanged);
        QObject::connect(&termination, &TerminationSignals::terminationRequested, &form, [&form] {
            form.cmdExit_Click();
            QCoreApplication::exit(0); // also ends the loops of an open box and of the start-up's look-up
        });
        status = run(form, notifier);
        if (TerminationSignals::requested()) {
            form.writebox(QStringLiteral("Leaving on ") + TerminationSignals::requestedBy(), form.logText().isEmpty());
        }
        notifier.stopping();
    }
    if (PendingLookups::any()) {
        endProcess(status); // the application object's end would wait for the look-up's answer
    }
    return status;
}
