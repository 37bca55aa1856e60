// The Windows font names the windows use resolve to the Debian fonts that stand in for them.
#include "FontSubstitutes.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

QFontInfo resolved(const char* family, bool bold = false) {
    QFont font{QString::fromLatin1(family)};
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return QFontInfo(font);
}

} // namespace

TEST(FontSubstitutesTest, EveryNamedFontResolvesToAScalableStandIn) {
    installFontSubstitutes();
    installFontSubstitutes(); // a second call adds nothing twice
    EXPECT_EQ(QFontDatabase::families().count(QStringLiteral("Tahoma")), 1);

    const struct {
        const char* asked;
        const char* shown;
    } standIns[] = {
        {"Cambria", "Caladea"},
        {"Arial", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},
        {"Tahoma", "Tahoma"},
    };
    for (const auto& standIn : standIns) {
        SCOPED_TRACE(standIn.asked);
        for (const bool bold : {false, true}) {
            const QFontInfo info = resolved(standIn.asked, bold);
            EXPECT_EQ(info.family(), QLatin1String(standIn.shown));
            EXPECT_EQ(info.bold(), bold);
            EXPECT_TRUE(QFontDatabase::isScalable(info.family(), info.styleName()));
        }
    }
}
