// The console window as the user sees it: caption, size, controls, fonts, colours, menus, focus.
#include "ConsoleWindowFixture.h"
#include "support/EventLoop.h"

#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

using testing_support::waitUntil;

namespace {

QStringList captions(const QList<QAction*>& actions) {
    QStringList texts;
    for (const QAction* action : actions) {
        texts << action->text();
    }
    return texts;
}

QString textOf(const QWidget* widget) {
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
        return button->text();
    }
    return qobject_cast<const QPlainTextEdit*>(widget) != nullptr ? QStringLiteral("<text box>") : QString();
}

struct Placement {
    const char* name;
    const char* parent; // the client area, or the frame for the counters and buttons
    const char* text;
    QRect pixels; // left, top, width, height in twips divided by 15
};

} // namespace

using ConsoleWindowTest = ConsoleWindowFixture;

TEST_F(ConsoleWindowTest, HasItsCaptionIconAndAFixedSizeThatCanBeMinimizedButNotMaximized) {
    EXPECT_EQ(form->windowTitle(), "Brindle Quillet");
    EXPECT_EQ(form->centralWidget()->size(), QSize(274, 273)); // 4110 x 4095 twips
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->size().height(), form->menuBar()->sizeHint().height() + 273);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form->windowIcon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
}

TEST_F(ConsoleWindowTest, IsCentredOnTheScreenWhenFirstShownAndStaysWhereItIsMovedAfterwards) {
    form->show();
    const QPoint screenCentre = form->screen()->availableGeometry().center();
    EXPECT_EQ(form->frameGeometry().center(), screenCentre);

    form->move(10, 20);
    form->hide();
    form->show();
    EXPECT_EQ(form->pos(), QPoint(10, 20));
}

TEST_F(ConsoleWindowTest, EveryControlStandsAtItsPlaceWithItsInitialText) {
    const Placement placements[] = {
        {"Label1", "", "Quillet Tarn", {16, 8, 241, 25}},
        {"lblIP", "", kAddress, {16, 32, 241, 17}},
        {"txtOutput", "", "<text box>", {8, 64, 257, 113}},
        {"framMain", "", "", {8, 184, 257, 81}},
        {"Label2", "framMain", "Tot Requests:", {8, 16, 73, 17}},
        {"lblConnections", "framMain", "0", {80, 16, 33, 17}},
        {"Label3", "framMain", "Bytes Sent:", {128, 16, 57, 17}},
        {"lblSent", "framMain", "0", {192, 16, 57, 17}},
        {"Line1", "framMain", "", {8, 32, 240, 1}},
        {"cmdPause", "framMain", "&Pause", {8, 40, 89, 33}},
        {"cmdExit", "framMain", "E&xit", {160, 40, 89, 33}},
        {"lblReceived", "", "Label2", {24, 408, 105, 17}},
    };
    for (const Placement& expected : placements) {
        SCOPED_TRACE(expected.name);
        const QWidget* widget = control(expected.name);
        ASSERT_NE(widget, nullptr);
        const QWidget* parent = *expected.parent ? control(expected.parent) : form->centralWidget();
        EXPECT_EQ(widget->parentWidget(), parent);
        EXPECT_EQ(widget->geometry(), expected.pixels);
        EXPECT_EQ(textOf(widget), QString::fromUtf8(expected.text));
    }
    // Below the bottom edge of the client area: it exists but is never seen.
    EXPECT_GE(control("lblReceived")->y(), form->centralWidget()->height());
    EXPECT_NE(service->findChild<QTimer*>(QStringLiteral("Timer1")), nullptr); // the service's, beside the window
}

TEST_F(ConsoleWindowTest, TitleAndAddressUseTheirFontsThroughTheDebianStandIns) {
    const struct {
        const char* control;
        const char* family;
        double points;
        bool bold;
        bool italic;
        const char* shownWith;
    } fonts[] = {
        {"Label1", "Cambria", 14.25, true, true, "Caladea"},
        {"lblIP", "Arial", 11.25, true, false, "Liberation Sans"},
        {"Label2", "MS Sans Serif", 8.25, false, false, "Liberation Sans"}, // the window's default font
    };
    for (const auto& expected : fonts) {
        SCOPED_TRACE(expected.control);
        const QFont font = control(expected.control)->font();
        EXPECT_EQ(font.family(), QLatin1String(expected.family));
        EXPECT_DOUBLE_EQ(font.pointSizeF(), expected.points);
        EXPECT_EQ(font.bold(), expected.bold);
        EXPECT_EQ(font.italic(), expected.italic);
        EXPECT_EQ(QFontInfo(font).family(), QLatin1String(expected.shownWith));
    }
}

TEST_F(ConsoleWindowTest, LabelsAreAlignedAndColouredAsTheyShouldBe) {
    const auto alignment = [this](const char* name) {
        return control<QLabel>(name)->alignment() & Qt::AlignHorizontal_Mask;
    };
    const auto textColour = [this](const char* name) { return control(name)->palette().color(QPalette::WindowText); };
    EXPECT_EQ(alignment("Label1"), Qt::AlignHCenter);
    EXPECT_EQ(alignment("lblIP"), Qt::AlignHCenter);
    EXPECT_EQ(alignment("lblConnections"), Qt::AlignRight);
    EXPECT_EQ(alignment("lblSent"), Qt::AlignRight);
    EXPECT_EQ(alignment("Label2"), Qt::AlignLeft);
    EXPECT_EQ(textColour("lblIP"), QColor(192, 0, 0));
    EXPECT_EQ(textColour("lblConnections"), QColor(0, 0, 255));
    EXPECT_EQ(textColour("lblSent"), QColor(0, 0, 255));
}

TEST_F(ConsoleWindowTest, TheLogIsReadOnlyOnTheButtonFaceColourWithAVerticalScrollBar) {
    auto* log = control<QPlainTextEdit>("txtOutput");
    EXPECT_EQ(log->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    showActive();
    const QString before = log->toPlainText();
    QTest::keyClicks(log, QStringLiteral("typed"));
    QTest::keyClick(log, Qt::Key_Backspace);
    EXPECT_EQ(log->toPlainText(), before);
}

TEST_F(ConsoleWindowTest, MenusCarryTheirCaptionsWithAccessKeysInOrder) {
    EXPECT_EQ(captions(form->menuBar()->actions()), (QStringList{"&File", "&Help"}));
    EXPECT_EQ(captions(control<QMenu>("mnufile")->actions()), (QStringList{"&Stations...", "E&xit"}));
    EXPECT_EQ(captions(control<QMenu>("mnuHelp")->actions()), (QStringList{"&View Tutorial", "&About"}));

    const auto* popup = control<QMenu>("mnuPopupMenu");
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->title(), "PopupMenu");
    EXPECT_EQ(captions(popup->actions()), (QStringList{"&Show", "E&xit"}));
    EXPECT_FALSE(form->menuBar()->actions().contains(popup->menuAction()));

    for (const char* name : {"mnuExit", "mnuView", "mnuAbout", "mnuShow", "mnuMinExit"}) {
        EXPECT_NE(control<QAction>(name), nullptr) << name;
    }
}

TEST_F(ConsoleWindowTest, FocusStartsInTheLogAndTabMovesToPauseThenExitThenBack) {
    showActive();
    ASSERT_TRUE(waitUntil([] { return QApplication::focusWidget() != nullptr; }));
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int press = 0; press < 3; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, (QStringList{"txtOutput", "cmdPause", "cmdExit", "txtOutput"}));
}

TEST_F(ConsoleWindowTest, AboutOpensTheAboutBoxModallyOverTheWindow) {
    showActive();
    QString shownClass;
    const QWidget* shownOver = nullptr;
    QTimer closer; // runs inside the About box's own event loop
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shownClass = QString::fromLatin1(modal->metaObject()->className());
            shownOver = modal->parentWidget();
            modal->close();
        }
    });
    closer.start(10);
    control<QAction>("mnuAbout")->trigger();
    EXPECT_EQ(shownClass, "frmAbout");
    EXPECT_EQ(shownOver, form.get());
}
