#include "frmAbout.h"
#include "DrawingSurface.h"
#include "GradientRect.h"
#include "QuilletVersion.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <map>

namespace {

const QSize kClientSize(392, 229); // 5880 x 3435 twips
// The caption the box shows for the version this build was configured with.
const QString kBuildVersionCaption = QStringLiteral("Version " QUILLET_VERSION);

// Records every address handed to the desktop while it lives, instead of opening it.
class OpenedAddresses : public QObject {
    Q_OBJECT
public:
    OpenedAddresses() {
        for (const QString& scheme : schemes()) {
            QDesktopServices::setUrlHandler(scheme, this, "open");
        }
    }
    ~OpenedAddresses() override {
        for (const QString& scheme : schemes()) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }
    const QStringList& list() const { return m_opened; }

public slots:
    void open(const QUrl& url) { m_opened.append(url.toString()); }

private:
    static QStringList schemes() { return {"http", "https", "mailto"}; }
    QStringList m_opened;
};

QImage screenshot(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The gradient the box should show: the same painter settings on a bare surface.
QImage expectedGradient() {
    DrawingSurface surface(kClientSize);
    clsGradient painter;
    painter.setAngle(136);
    painter.setColor1(0x4080FF);
    painter.setColor2(0x00FFFF);
    painter.Draw(surface);
    return surface.image().convertToFormat(QImage::Format_RGB32);
}

template <typename Widget = QLabel> Widget* control(const frmAbout& box, const char* name) {
    auto* found = box.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QStringList labelNames() {
    return {"lblTitle", "lblVersion", "Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7", "Label8"};
}

class AboutBoxTest : public testing::Test {
protected:
    AboutBoxTest() { box.Form_Load(); }
    frmAbout box;
};

TEST(AboutVersionTest, CaptionIsVersionThenMajorMinorRevision) {
    EXPECT_EQ(versionCaption(QVersionNumber(1, 0, 0)), "Version 1.0.0");
    EXPECT_EQ(versionCaption(QVersionNumber(2, 10, 3)), "Version 2.10.3");
    EXPECT_EQ(versionCaption(QVersionNumber({1, 0, 0, 0})), "Version 1.0.0");
    EXPECT_EQ(versionCaption(QVersionNumber(1)), "Version 1.0.0");
}

TEST(AboutVersionTest, LoadReplacesTheDesignCaptionWithTheBuildVersion) {
    frmAbout box;
    EXPECT_EQ(control(box, "lblVersion")->text(), "Version");
    box.Form_Load();
    EXPECT_EQ(control(box, "lblVersion")->text(), kBuildVersionCaption);
}

TEST_F(AboutBoxTest, IsAFixedDialogWithCaptionAndOnlyACloseButton) {
    EXPECT_EQ(box.windowTitle(), "About Quillet");
    EXPECT_EQ(box.size(), kClientSize);
    EXPECT_EQ(box.minimumSize(), kClientSize);
    EXPECT_EQ(box.maximumSize(), kClientSize);
    const Qt::WindowFlags flags = box.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    const QList<QSize> iconSizes = box.windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(32, 32)));
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)));
}

TEST_F(AboutBoxTest, EveryControlSitsAtItsPlace) {
    const std::map<QString, QRect> places = {
        {"lblTitle", {6, 8, 251, 32}},   {"lblVersion", {6, 40, 323, 15}}, {"Image1", {344, 8, 48, 48}},
        {"Line1", {8, 64, 376, 1}},      {"Label1", {8, 72, 345, 17}},     {"Label4", {99, 120, 49, 17}},
        {"Label6", {155, 120, 137, 13}}, {"Label5", {99, 136, 49, 17}},    {"Label7", {155, 136, 101, 13}},
        {"Label2", {123, 176, 145, 17}}, {"Label8", {55, 192, 281, 17}},   {"Label3", {147, 208, 97, 17}},
    };
    for (const auto& [name, place] : places) {
        const auto* widget = box.findChild<QWidget*>(name);
        ASSERT_NE(widget, nullptr) << name.toStdString();
        EXPECT_EQ(widget->geometry(), place) << name.toStdString();
    }
}

TEST_F(AboutBoxTest, TextsFitTheirLabels) {
    EXPECT_EQ(control(box, "lblTitle")->text(), "Quillet Tarn");
    EXPECT_EQ(control(box, "Label4")->text(), "Website:");
    EXPECT_EQ(control(box, "Label5")->text(), "E-mail:");
    for (const QString& name : labelNames()) {
        const QLabel* label = control(box, name.toLatin1().constData());
        EXPECT_FALSE(label->text().isEmpty()) << name.toStdString();
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << name.toStdString();
        EXPECT_LE(label->fontMetrics().height(), label->height()) << name.toStdString();
    }
}

TEST_F(AboutBoxTest, TitleAndLinksHaveTheirOwnLook) {
    const QFont title = control(box, "lblTitle")->font();
    EXPECT_EQ(title.family(), "Tahoma");
    EXPECT_EQ(title.pointSize(), 18);
    EXPECT_TRUE(title.bold());
    for (const char* name : {"Label6", "Label7"}) {
        const QLabel* link = control(box, name);
        EXPECT_EQ(link->font().family(), "MS Sans Serif") << name;
        EXPECT_EQ(link->font().pointSizeF(), 8.25) << name;
        EXPECT_TRUE(link->font().underline()) << name;
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 192)) << name;
        const QCursor cursor = link->cursor();
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor) << name;
        EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32)) << name;
        EXPECT_EQ(cursor.hotSpot(), QPoint(12, 1)) << name;
    }
    const QPixmap image = control(box, "Image1")->pixmap();
    EXPECT_EQ(image.size(), QSize(48, 48));
}

TEST_F(AboutBoxTest, GradientFillsTheAreaAroundTheControls) {
    const QImage shot = screenshot(box);
    const QImage gradient = expectedGradient();
    const QColor bottomRight = shot.pixel(kClientSize.width() - 1, kClientSize.height() - 1);
    EXPECT_EQ(bottomRight.red(), 255);
    EXPECT_LT(bottomRight.green(), 160) << "orange";
    EXPECT_GT(bottomRight.blue(), 40) << "orange";
    const QColor topLeft = shot.pixel(0, 0);
    EXPECT_EQ(topLeft.red(), 255);
    EXPECT_GT(topLeft.green(), 230) << "yellow";
    EXPECT_LT(topLeft.blue(), 20) << "yellow";
    QRegion controls;
    for (const QWidget* child : box.findChildren<QWidget*>()) {
        controls += child->geometry();
    }
    int differing = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            differing += !controls.contains(QPoint(x, y)) && shot.pixel(x, y) != gradient.pixel(x, y);
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(AboutBoxTest, LabelTextShowsOnTheGradientWithoutABox) {
    const QImage shot = screenshot(box);
    const QImage gradient = expectedGradient();
    for (const QString& name : labelNames()) {
        const QRect area = control(box, name.toLatin1().constData())->geometry();
        int background = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                background += shot.pixel(x, y) == gradient.pixel(x, y);
            }
        }
        const int pixels = area.width() * area.height();
        EXPECT_GT(background, pixels / 3) << name.toStdString() << ": gradient shows around the text";
        EXPECT_LT(background, pixels) << name.toStdString() << ": the text is drawn";
    }
}

TEST_F(AboutBoxTest, LineIsOnePixelBlackAcrossTheBox) {
    const QImage shot = screenshot(box);
    for (const int x : {8, 200, 383}) {
        EXPECT_EQ(QColor(shot.pixel(x, 64)), QColor(Qt::black)) << "at " << x;
        EXPECT_NE(QColor(shot.pixel(x, 63)), QColor(Qt::black)) << "above " << x;
        EXPECT_NE(QColor(shot.pixel(x, 65)), QColor(Qt::black)) << "below " << x;
    }
}

TEST_F(AboutBoxTest, EveryOpeningLooksTheSame) {
    box.show();
    const QImage first = screenshot(box);
    box.close();
    box.Form_Load();
    box.show();
    EXPECT_EQ(screenshot(box), first);
    EXPECT_EQ(control(box, "lblVersion")->text(), kBuildVersionCaption);
    box.close();
    frmAbout another;
    another.Form_Load();
    EXPECT_EQ(screenshot(another), first);
}

TEST_F(AboutBoxTest, WebSiteLinkOpensTheAddressItShows) {
    OpenedAddresses opened;
    QTest::mouseClick(control(box, "Label6"), Qt::LeftButton);
    EXPECT_EQ(opened.list(), QStringList{"http://www.example.net"});
    EXPECT_EQ(control(box, "Label6")->text(), "www.example.net");
}

TEST_F(AboutBoxTest, EmailLinkOpensMailtoAndTheAddressItShows) {
    OpenedAddresses opened;
    QTest::mouseClick(control(box, "Label7"), Qt::LeftButton);
    EXPECT_EQ(opened.list(), QStringList{"mailto:info@example.net"});
    EXPECT_EQ(opened.list().value(0), "mailto:" + control(box, "Label7")->text());
}

TEST_F(AboutBoxTest, OnlyALeftClickOnALinkOpensIt) {
    OpenedAddresses opened;
    QTest::mouseClick(control(box, "Label6"), Qt::RightButton);
    QTest::mousePress(control(box, "Label7"), Qt::LeftButton);
    QTest::mouseRelease(control(box, "Label7"), Qt::LeftButton, {}, QPoint(-5, -5));
    QTest::mouseClick(control(box, "Label4"), Qt::LeftButton);
    EXPECT_TRUE(opened.list().isEmpty());
}

TEST(AboutModalTest, ShowModalServesEventsUntilTheUserClosesTheBox) {
    QWidget owner;
    int ticks = 0;
    QString versionShown;
    QTimer service;
    QObject::connect(&service, &QTimer::timeout, [&] {
        if (++ticks < 3) {
            return;
        }
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* open = qobject_cast<frmAbout*>(window);
            if (open != nullptr && open->isVisible()) {
                EXPECT_EQ(QApplication::activeModalWidget(), open);
                versionShown = open->findChild<QLabel*>("lblVersion")->text();
                open->close();
            }
        }
    });
    service.start(0);
    frmAbout::showModal(&owner);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(versionShown, kBuildVersionCaption);
    EXPECT_EQ(owner.findChild<frmAbout*>(), nullptr);
}

} // namespace

#include "frmAboutTest.moc"
