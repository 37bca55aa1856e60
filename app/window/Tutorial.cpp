#include "Tutorial.h"

#include "WarningBox.h"

#include <QFileInfo>

namespace Tutorial {

QString findPage(const QString& programDirectory, const QString& installedPage) {
    for (const QString& page : {programDirectory + QStringLiteral("/doc/tutorial.html"), installedPage}) {
        if (QFileInfo(page).isFile()) {
            return QFileInfo(page).absoluteFilePath();
        }
    }
    return {};
}

// The documentation may have been left out of the installation (a minimal system drops
// /usr/share/doc); the manual page and the package name still lead there.
void tellPageMissing() {
    showWarningBox("Quillet", "The tutorial is not on this computer. The quillet package installs it as " +
                                  kInstalledPage.toStdString() +
                                  "; the manual page, \"man quillet\", describes the program as well.");
}

} // namespace Tutorial
