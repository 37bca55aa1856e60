// The tutorial works offline: every link and every picture of the page resolves on this computer,
// a fragment to an element of the page, anything else to a file beside it.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// The values of one attribute throughout the page, as written between double quotes.
QStringList attributeValues(const QString& html, const QString& attribute) {
    QStringList values;
    const QRegularExpression pattern(QStringLiteral(R"re(\s%1\s*=\s*"([^"]*)")re").arg(attribute));
    for (const QRegularExpressionMatch& match : pattern.globalMatch(html)) {
        values << match.captured(1);
    }
    return values;
}

TEST(TutorialPageTest, EveryLinkAndPictureResolvesOnThisComputer) {
    QFile page(QStringLiteral(QUILLET_TUTORIAL_PAGE));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << QUILLET_TUTORIAL_PAGE;
    const QString html = QString::fromUtf8(page.readAll());
    const QDir folder = QFileInfo(page).dir();
    const QStringList ids = attributeValues(html, QStringLiteral("id"));
    const QStringList references =
        attributeValues(html, QStringLiteral("href")) + attributeValues(html, QStringLiteral("src"));
    ASSERT_GE(attributeValues(html, QStringLiteral("src")).size(), 1) << "the page shows no picture";

    for (const QString& reference : references) {
        SCOPED_TRACE(reference.toStdString());
        const QUrl url(reference);
        ASSERT_TRUE(url.isValid() && url.isRelative() && url.host().isEmpty()) << "leads off this page's folder";
        if (url.path().isEmpty()) {
            EXPECT_TRUE(ids.contains(url.fragment())) << "no element has this id";
        } else {
            EXPECT_TRUE(QFileInfo(folder.filePath(url.path())).isFile()) << "no such file beside the page";
        }
    }
    EXPECT_FALSE(html.contains(QStringLiteral("url(")) || html.contains(QStringLiteral("@import")))
        << "the style sheet loads something";
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), ids.size()) << "an id is given twice";
}

} // namespace
