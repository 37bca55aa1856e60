// The reply under a clock set with libfaketime, frozen at a chosen moment. Only the
// wall clock is set: the monotonic clock behind the 100 ms tick runs on.
#include "ServedQuillet.h"
#include "Station.h"

#include <ostream>
#include <string>

namespace e2e {
namespace {

struct SetClock {
    const char* moment;
    const char* reply;
};

void PrintTo(const SetClock& clock, std::ostream* out) {
    *out << clock.moment;
}

class SetClockTest : public ::testing::TestWithParam<SetClock> {
protected:
    SetClockTest() : quillet(setClockEnvironment({QStringLiteral("FAKETIME=") + GetParam().moment})) {}

    QuilletProcess quillet;
};

TEST_P(SetClockTest, TheReplyAndTheLogFollowTheSetClock) {
    ASSERT_TRUE(quillet.waitForListening()) << quillet.standardError().toStdString();
    const QString stamp =
        QDateTime::fromString(QString::fromLatin1(GetParam().moment), QStringLiteral("yyyy-MM-dd HH:mm:ss"))
            .toString(QStringLiteral("[yyyy.MM.dd HH:mm:ss] "));
    EXPECT_TRUE(quillet.logLines().first().startsWith(stamp)) << quillet.logLines().first().toStdString();
    for (int station = 0; station < 2; ++station) { // the second one is the normal station after the scenario
        const TimeAnswer answer = quillet.whileServing([] { return askTime(QuilletProcess::kPort, 1s); });
        EXPECT_EQ(answer.reply, GetParam().reply);
    }
    EXPECT_TRUE(quillet.logLines().filter(QStringLiteral("] Clock: reads")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Moments, SetClockTest,
                         ::testing::Values(SetClock{"2027-03-01 09:05:00", "202703010905"},
                                           SetClock{"2027-12-31 23:59:59", "202712312359"},
                                           SetClock{"2038-01-19 03:14:08", "203801190314"},
                                           SetClock{"2040-02-29 23:59:30", "204002292359"},
                                           SetClock{"2100-03-01 00:00:00", "210003010000"}),
                         [](const auto& moment) { return std::string("Reply") + moment.param.reply; });

} // namespace
} // namespace e2e
