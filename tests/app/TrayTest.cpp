// Minimizing into the tray and coming back from it, through a tray that records each request.
#include "ConsoleWindowFixture.h"
#include "support/EventLoop.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;
using testing_support::waitUntil;
using Activation = TrayIcon::Activation;
using Calls = std::vector<std::string>;

class TrayTest : public ConsoleWindowFixture {
protected:
    // Shown, then minimized into the tray.
    void hideIntoTheTray() {
        showActive();
        minimize();
        ASSERT_FALSE(form->isVisible());
    }

    QMenu* popup() const { return control<QMenu>("mnuPopupMenu"); }

    // Right-clicks the icon and picks an item from the popup menu by its access key.
    void pickFromTrayMenu(Qt::Key accessKey) {
        tray->activate(Activation::Context, QPoint(120, 90));
        ASSERT_TRUE(waitUntil([this] { return popup()->isVisible(); }));
        QTest::keyClick(popup(), accessKey);
    }
};

TEST_F(TrayTest, MinimizingHidesTheWindowAndShowsTheIconWithTipQuillet) {
    hideIntoTheTray();
    EXPECT_EQ(tray->calls, Calls{"add"});
    ASSERT_TRUE(tray->shown.has_value());
    EXPECT_EQ(tray->shown->tip, "Quillet");
    EXPECT_FALSE(tray->shown->icon.isNull());
    EXPECT_EQ(tray->shown->menu, popup()); // for hosts that draw the menu themselves
    // It comes back in the state it had before, not minimized.
    EXPECT_EQ(form->windowState() & ~Qt::WindowActive, Qt::WindowNoState);
}

TEST_F(TrayTest, SingleClicksDoNothingAndADoubleClickBringsTheWindowBackInFrontWithoutTheIcon) {
    hideIntoTheTray();
    QWidget otherWindow; // where the user works meanwhile
    otherWindow.show();
    otherWindow.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &otherWindow; }));

    // Single and middle clicks do nothing; a double-click arrives as a single click first.
    for (const Activation activation : {Activation::Trigger, Activation::MiddleClick, Activation::Unknown}) {
        tray->activate(activation);
    }
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(popup()->isVisible());
    EXPECT_EQ(tray->calls, Calls{"add"});
    tray->activate(Activation::DoubleClick);

    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    EXPECT_EQ(tray->calls, (Calls{"add", "remove"}));
    EXPECT_TRUE(waitUntil([this] { return QApplication::activeWindow() == form.get(); }));
}

TEST_F(TrayTest, ATrayHostsPrimaryActivationBringsTheWindowBackWithoutTheIcon) {
    hideIntoTheTray();
    tray->activate(Activation::Primary);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    EXPECT_EQ(tray->calls, (Calls{"add", "remove"}));
}

TEST_F(TrayTest, WhenTheTrayGoesAwayTheHiddenWindowComesBackAndALateTrayIsUsedAtTheNextMinimize) {
    hideIntoTheTray();
    tray->disappear();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());

    tray->available = false;
    minimize();
    EXPECT_TRUE(form->isMinimized()); // no tray: minimized the usual way, never hidden
    EXPECT_TRUE(form->isVisible());
    form->showNormal();
    tray->available = true;
    minimize();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(tray->calls, (Calls{"add", "add"}));
}

TEST_F(TrayTest, RightClickPopsUpTheMenuAtTheMouseAndShowBringsTheWindowBack) {
    hideIntoTheTray();
    tray->activate(Activation::Context, QPoint(120, 90));
    ASSERT_TRUE(waitUntil([this] { return popup()->isVisible(); }));
    EXPECT_EQ(popup()->pos(), QPoint(120, 90));

    QTest::keyClick(popup(), Qt::Key_S);
    EXPECT_FALSE(popup()->isVisible());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    EXPECT_EQ(tray->calls, (Calls{"add", "remove"}));
}

TEST_F(TrayTest, ExitFromTheTrayMenuClosesTheWindowAndRemovesTheIcon) {
    hideIntoTheTray();
    pickFromTrayMenu(Qt::Key_X);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(tray->calls, (Calls{"add", "remove"}));
    EXPECT_FALSE(tray->shown.has_value());
}

TEST_F(TrayTest, LeavingWhileShownStillRemovesTheIcon) {
    showActive();
    control<QPushButton>("cmdExit")->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(tray->calls, Calls{"remove"});
}

TEST_F(TrayTest, ClosingFromTheTitleBarRemovesTheIcon) {
    showActive();
    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(tray->calls, Calls{"remove"});
}

// As the uninstaller closes the Quillet it finds running in the tray: the program ends.
TEST_F(TrayTest, ClosingTheWindowHiddenInTheTrayEndsTheProgram) {
    hideIntoTheTray();
    QTimer::singleShot(0, form.get(), [this] { form->close(); });
    QTimer stillRunning;
    stillRunning.callOnTimeout([] { QCoreApplication::exit(1); });
    stillRunning.start(10s);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(tray->calls, (Calls{"add", "remove"}));
}

TEST_F(TrayTest, MinimizingAgainAfterComingBackShowsExactlyOneIcon) {
    hideIntoTheTray();
    tray->activate(Activation::DoubleClick);
    ASSERT_TRUE(form->isVisible());
    minimize();
    EXPECT_FALSE(form->isVisible());
    pickFromTrayMenu(Qt::Key_S);
    minimize();
    EXPECT_EQ(tray->calls, (Calls{"add", "remove", "add", "remove", "add"}));
    EXPECT_TRUE(tray->shown.has_value());
}

TEST_F(TrayTest, ALateReportOfTheMinimizeWhileHiddenAddsNoIconAndTheWindowStillComesBackNormal) {
    hideIntoTheTray();
    minimize(); // as a desktop may report it once more after the window was hidden
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(tray->calls, Calls{"add"});

    tray->activate(Activation::DoubleClick);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    EXPECT_EQ(tray->calls, (Calls{"add", "remove"}));
}

TEST_F(TrayTest, WhileTheTrayIsAskedTheWindowStaysMinimizedAndTheAnswerHidesItOnlyIfItStillIs) {
    tray->holdAnswers = true;
    showActive();
    minimize();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isMinimized());
    tray->answerHeldQuestions();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(tray->calls, Calls{"add"});

    tray->activate(Activation::DoubleClick);
    minimize();
    form->showNormal(); // brought back before the answer came
    tray->answerHeldQuestions();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    EXPECT_EQ(tray->calls, (Calls{"add", "remove"}));
}

TEST_F(TrayTest, WithoutATrayMinimizingMinimizesNormallyAndHidesNothing) {
    tray->available = false;
    showActive();
    minimize();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isMinimized());
    EXPECT_TRUE(tray->calls.empty());

    form->showNormal();
    EXPECT_FALSE(form->isMinimized());
    EXPECT_TRUE(tray->calls.empty());
}
