#include "FontSubstitutes.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace {

// Debian's fonts-wine keeps its TrueType Tahoma here, outside fontconfig's search path. Its
// tahomabd.ttf holds the regular outlines with bold spacing (the bold design only as bitmaps up
// to 16 pixels), so it is left out: a bold Tahoma is drawn by emboldening the regular outlines.
const QString kTahomaFile = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");

void addTahoma() {
    if (QFile::exists(kTahomaFile)) {
        QFontDatabase::addApplicationFont(kTahomaFile);
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
