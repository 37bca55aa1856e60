#include "ErrorReport.h"
#include "FontSubstitutes.h"
#include "ProductIcon.h"
#include "TerminationSignals.h"
#include "WarningBox.h"
#include "frmMain.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace {

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

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    QApplication::setWindowIcon(productIcon());
    installFontSubstitutes();
    TerminationSignals termination;
    installWarningBox();

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
