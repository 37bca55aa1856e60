#include "ErrorReport.h"
#include "TerminationSignals.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    TerminationSignals termination;

    frmMain form;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &form, &frmMain::cmdExit_Click);
    try {
        form.Form_Load();
    } catch (const RuntimeError& error) {
        reportError(error);
        return 1;
    }
    form.show();
    return QApplication::exec();
}
