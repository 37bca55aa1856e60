// "View Tutorial": asked first, then the tutorial page that comes with the program handed to the
// desktop once. This test program, like quillet, has the build's copy in doc/ beside it.
#include "ConsoleWindowFixture.h"
#include "QuestionBox.h"
#include "UrlRecorder.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {

const QString kTitle = QStringLiteral("Confirmation Required");
const QString kQuestion = QStringLiteral("This opens the tutorial in your web browser.  Continue?");

} // namespace

class TutorialLinkTest : public ConsoleWindowFixture {
protected:
    void viewTutorial() { control<QAction>("mnuView")->trigger(); }
    UrlRecorder browser;
};

TEST_F(TutorialLinkTest, AnsweredYesOpensTheTutorialPageOnce) {
    answer = true;
    viewTutorial();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].first, kTitle);
    EXPECT_EQ(questions[0].second, kQuestion);
    ASSERT_EQ(browser.opened.size(), 1);
    const QUrl tutorial = browser.opened[0];
    EXPECT_TRUE(tutorial.isLocalFile()) << tutorial.toString().toStdString();
    EXPECT_EQ(tutorial.toLocalFile(), QApplication::applicationDirPath() + QStringLiteral("/doc/tutorial.html"));
    EXPECT_TRUE(QFileInfo(tutorial.toLocalFile()).isFile());
}

TEST_F(TutorialLinkTest, AnsweredNoOpensNothing) {
    answer = false;
    viewTutorial();
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_TRUE(browser.opened.isEmpty());
}

TEST_F(TutorialLinkTest, TheQuestionBoxHasYesAndNoAndNoIcon) {
    const auto box = questionBox(nullptr, kTitle, kQuestion);
    EXPECT_EQ(box->windowTitle(), kTitle);
    EXPECT_EQ(box->text(), kQuestion);
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
}

TEST_F(TutorialLinkTest, WithoutADisplayNoBoxIsShownAndTheAnswerIsNo) {
    EXPECT_FALSE(askYesNo(form.get(), kTitle, kQuestion));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
