#include "Module1.h"
#include "ServiceFixture.h"

namespace {

class ActivityLogTest : public ServiceFixture {
protected:
    // Fills the log with numbered lines up to `lines` - 1; the next request adds the last.
    void fillTo(int lines) {
        for (int n = static_cast<int>(logLines().size()) + 1; n < lines; ++n) {
            service->log().writebox(QStringLiteral("L%1").arg(n), false);
        }
    }
};

TEST_F(ActivityLogTest, ARequestTrimsALogOfMoreThanTwoHundredLinesToTheNewestHundred) {
    const std::vector<std::pair<int, int>> cases = {{200, 200}, {201, 100}, {250, 100}};
    for (const auto& [linesAfterRequest, linesLeft] : cases) {
        SCOPED_TRACE(linesAfterRequest);
        SetUp();
        load();
        fillTo(linesAfterRequest);
        ASSERT_EQ(requestTime(), "202703010905");
        const QStringList lines = logLines();
        ASSERT_EQ(lines.size(), linesLeft);
        EXPECT_TRUE(lines.last().endsWith("RQST: [127.0.0.1]"));
        const int firstKept = linesAfterRequest - linesLeft + 1;
        if (firstKept > 4) {
            EXPECT_TRUE(lines.first().endsWith(QStringLiteral(" L%1").arg(firstKept))) << lines.first();
        }
        EXPECT_FALSE(logText().startsWith("\r\n"));
    }
}

TEST_F(ActivityLogTest, TextWithItsOwnLineBreaksCountsAsSeveralLines) {
    load();
    fillTo(196);
    service->log().writebox(QStringLiteral("a\r\nb\r\nc\r\nd"), false); // lines 196 to 199
    service->log().writebox(QStringLiteral("L200"), false);
    ASSERT_EQ(requestTime(), "202703010905"); // line 201
    EXPECT_EQ(logLines().size(), 100);
}

TEST_F(ActivityLogTest, AFirstLineWrittenLaterJoinsTheLastLine) {
    load();
    service->log().writebox(QStringLiteral("again"), true);
    EXPECT_EQ(lastLogLine(),
              "[2027.03.01 09:05:07] Clock: synchronised, maximum error 2 ms[2027.03.01 09:05:07] again");
}

TEST(LogStampTest, FieldsAreZeroPaddedFromOneMoment) {
    EXPECT_EQ(Module1::LogStamp(QDateTime(QDate(2027, 3, 1), QTime(9, 5, 7))), "[2027.03.01 09:05:07]");
    EXPECT_EQ(Module1::LogStamp(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 900))), "[2026.12.31 23:59:59]");
    EXPECT_EQ(Module1::ReplyDate(QDate(2040, 2, 29)) + Module1::ReplyTime(QTime(0, 0)), "204002290000");
}

} // namespace
