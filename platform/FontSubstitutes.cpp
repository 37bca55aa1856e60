#include "FontSubstitutes.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace {

// Debian's fonts-wine keeps its TrueType Tahoma here, outside fontconfig's search path.
const QStringList kTahomaFiles{QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"),
                               QStringLiteral("/usr/share/wine/fonts/tahomabd.ttf")};

void addTahoma() {
    for (const QString& file : kTahomaFiles) {
        if (QFile::exists(file)) {
            QFontDatabase::addApplicationFont(file);
        }
    }
}

// Qt tries a family first and its substitutes only when the family is missing.
void substituteMetricCompatibleFonts() {
    QFont::insertSubstitutions(QStringLiteral("Cambria"), {QStringLiteral("Caladea")});
    QFont::insertSubstitutions(QStringLiteral("Arial"), {QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans")});
}

} // namespace

void installFontSubstitutes() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    addTahoma();
    substituteMetricCompatibleFonts();
}
