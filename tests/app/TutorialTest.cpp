// Where "View Tutorial" finds its page: the build's copy beside the program first, then the
// installed one; with neither, the user is told where to read instead.
#include "Tutorial.h"
#include "WarningBox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class TutorialTest : public testing::Test {
protected:
    // Makes an empty file at the path, its folders included, and answers the path.
    QString place(const QString& relativePath) {
        const QString path = folder.filePath(relativePath);
        QDir().mkpath(QFileInfo(path).path());
        QFile(path).open(QIODevice::WriteOnly);
        return path;
    }

    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("bin"));
    const QString installed = folder.filePath(QStringLiteral("share/doc/quillet/tutorial.html"));
};

TEST_F(TutorialTest, TheBuildsCopyBesideTheProgramComesFirst) {
    const QString besideProgram = place(QStringLiteral("bin/doc/tutorial.html"));
    place(QStringLiteral("share/doc/quillet/tutorial.html"));
    EXPECT_EQ(Tutorial::findPage(program, installed), besideProgram);
}

TEST_F(TutorialTest, AnInstalledProgramOpensTheInstalledPage) {
    place(QStringLiteral("share/doc/quillet/tutorial.html"));
    EXPECT_EQ(Tutorial::findPage(program, installed), installed);
}

TEST_F(TutorialTest, WithNeitherThereIsNoPageAndTheUserIsToldWhereToRead) {
    place(QStringLiteral("bin/doc/tutorial.html/not-a-page"));
    EXPECT_EQ(Tutorial::findPage(program, installed), QString());

    std::string told;
    const WarningBoxHandler previous = setWarningBoxHandler(
        [&told](const std::string& title, const std::string& text) { told = title + ": " + text; });
    Tutorial::tellPageMissing();
    setWarningBoxHandler(previous);
    EXPECT_EQ(told, "Quillet: The tutorial is not on this computer. The quillet package installs it as "
                    "/usr/share/doc/quillet/tutorial.html; the manual page, \"man quillet\", describes the program "
                    "as well.");
}

} // namespace
