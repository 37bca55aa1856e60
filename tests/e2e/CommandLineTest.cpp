#include "QuilletVersion.h"
#include "support/QtPrinters.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct Ran {
    int status;
    QString output;
    QString errors;
};

Ran runQuillet(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(QUILLET_BINARY), arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

TEST(CommandLineTest, VersionAndHelpPrintAndExitWithoutServing) {
    const Ran version = runQuillet({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, QStringLiteral("quillet " QUILLET_VERSION "\n"));

    const Ran help = runQuillet({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.output.startsWith(QStringLiteral("Usage: quillet [--help | --version | --status [--json]]\n")))
        << help.output.toStdString();
    EXPECT_TRUE(help.output.contains(QStringLiteral("10325")));
}

TEST(CommandLineTest, AnyOtherArgumentGetsOneUsageLineAndStatusTwo) {
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--port=1")}, QStringList{QStringLiteral("-platform"), QStringLiteral("xcb")},
          QStringList{QStringLiteral("--version"), QStringLiteral("extra")}, QStringList{QStringLiteral("--json")},
          QStringList{QStringLiteral("--status"), QStringLiteral("--verbose")}}) {
        const Ran refused = runQuillet(arguments);
        EXPECT_EQ(refused.status, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(refused.output.isEmpty());
        EXPECT_EQ(refused.errors.count(QLatin1Char('\n')), 1) << refused.errors.toStdString();
        EXPECT_TRUE(refused.errors.contains(QStringLiteral("Usage: quillet [--help | --version | --status [--json]]")));
    }
}

} // namespace
