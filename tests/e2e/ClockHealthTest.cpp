// What the real program makes of this machine's clock: the kernel's state in its start-up
// log, and no reply at all while the clock reads an impossible date.
#include "QuilletProcess.h"
#include "ServedQuillet.h"
#include "Station.h"

#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sys/timex.h>

namespace e2e {
namespace {

const QString kWithheld =
    QStringLiteral("] Clock: reads 1970.01.01 00:00, before this version was released; no replies until it is set");

// What one station gets, retrying while its connection is reset before it was accepted.
Answer oneStation() {
    Answer answer;
    for (int attempt = 0; attempt < 50; ++attempt) {
        const auto station = Station::connectRetrying(QuilletProcess::kPort);
        if (!station) {
            break;
        }
        answer = station->readToEnd(5s);
        if (answer.ending != Ending::Reset) {
            break;
        }
    }
    return answer;
}

TEST(ClockHealthTest, AClockAt1970GivesStationsAClosedConnectionAndTheLogOneLine) {
    QuilletProcess quillet(setClockEnvironment({QStringLiteral("FAKETIME=1970-01-01 00:00:00")}));
    ASSERT_TRUE(quillet.waitForLogLine(kWithheld)) << quillet.standardError().toStdString();
    for (int station = 0; station < 2; ++station) {
        const Answer answer = quillet.whileServing(oneStation);
        EXPECT_EQ(answer.ending, Ending::Fin);
        EXPECT_EQ(answer.bytes, "");
    }
    ASSERT_TRUE(quillet.waitForLogLine(QStringLiteral("RQST: [127.0.0.1]")));
    EXPECT_EQ(quillet.logLines().filter(kWithheld).size(), 1);
}

// The kernel's maximum error in ms rounded up, or -1 when it cannot be read.
long long kernelMaxErrorMs() {
    timex state{};
    return ::adjtimex(&state) == -1 ? -1 : (state.maxerror + 999) / 1000;
}

TEST(ClockHealthTest, TheStartUpLineTellsWhatTheKernelSaysOfTheClock) {
    const long long before = kernelMaxErrorMs();
    QuilletProcess quillet;
    ASSERT_TRUE(quillet.waitForLogLine(QStringLiteral("] Clock: "))) << quillet.standardError().toStdString();
    const long long after = kernelMaxErrorMs();
    const QString line = quillet.logLines().filter(QStringLiteral("] Clock: ")).first().mid(22);
    constexpr long long kUnsynchronisedMs = 16'000;
    if (before == -1 || after == -1) {
        EXPECT_EQ(line, "Clock: state unknown");
    } else if (before >= kUnsynchronisedMs && after >= kUnsynchronisedMs) {
        EXPECT_EQ(line, "Clock: not synchronised; stations receive this computer's time as it stands");
    } else if (before < kUnsynchronisedMs && after < kUnsynchronisedMs) {
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^Clock: synchronised, maximum error (\\d+) ms$")).match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        // A time daemon may lower the bound at any moment; without one it grows 0.5 ms a second.
        EXPECT_GE(match.captured(1).toLongLong(), std::min(before, after));
        EXPECT_LE(match.captured(1).toLongLong(), std::max(before, after) + 100);
    }
}

} // namespace
} // namespace e2e
