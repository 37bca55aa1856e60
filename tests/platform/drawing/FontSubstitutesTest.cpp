// The Windows fonts the windows name are drawn in the Debian fonts that stand in for them, in the
// weight and style asked for: judged by the glyphs actually drawn, not by what QFontInfo claims.
#include "FontSubstitutes.h"

#include <QFont>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace {

const QString kSample = QStringLiteral("Quillet Tarn 1.0.0");

QFont font(const char* family, qreal pointSize, bool bold, bool italic) {
    QFont chosen{QString::fromLatin1(family)};
    chosen.setPointSizeF(pointSize);
    chosen.setBold(bold);
    chosen.setItalic(italic);
    return chosen;
}

// The font whose glyphs draw the sample.
QRawFont drawnWith(const QFont& chosen) {
    QTextLayout layout(kSample, chosen);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    return runs.size() == 1 ? runs.constFirst().rawFont() : QRawFont();
}

// How much of the sample is ink: the summed darkness of its pixels, black on white.
double ink(const QFont& chosen) {
    QImage image(400, 60, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(chosen);
    painter.drawText(4, 45, kSample);
    painter.end();
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            sum += 255 - line[x];
        }
    }
    return sum;
}

} // namespace

TEST(FontSubstitutesTest, EveryNamedFontIsDrawnInItsStandInWithTheWeightAndStyleAskedFor) {
    installFontSubstitutes();
    installFontSubstitutes(); // a second call adds nothing twice
    EXPECT_EQ(QFontDatabase::families().count(QStringLiteral("Tahoma")), 1);

    const struct {
        const char* asked;
        qreal pointSize;
        bool bold;
        bool italic;
        const char* drawn;
    } uses[] = {
        {"Tahoma", 18, true, false, "Tahoma"},            // the About box's title
        {"Cambria", 14.25, true, true, "Caladea"},        // the main window's title
        {"Arial", 11.25, true, false, "Liberation Sans"}, // the address
        {"MS Sans Serif", 8.25, false, false, "Liberation Sans"},
    };
    for (const auto& use : uses) {
        SCOPED_TRACE(use.asked);
        const QFont asked = font(use.asked, use.pointSize, use.bold, use.italic);
        const QRawFont drawn = drawnWith(asked);
        EXPECT_EQ(drawn.familyName().toLower(), QString::fromLatin1(use.drawn).toLower());
        EXPECT_EQ(drawn.style() != QFont::StyleNormal, use.italic);
        EXPECT_TRUE(QFontDatabase::isScalable(drawn.familyName(), drawn.styleName()));
        if (use.bold) {
            // A bold face lays down clearly more ink than the regular one, not merely wider gaps.
            EXPECT_GT(ink(asked), 1.2 * ink(font(use.asked, use.pointSize, false, use.italic)));
        }
    }
}
