// Many stations, and a second server, against the real server.
#include "ServedQuillet.h"
#include "Station.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace e2e {
namespace {

constexpr std::uint16_t kPort = QuilletProcess::kPort;

class LoadTest : public ServedQuilletTest {};

// The server answers one station per two ticks, so 200 need about 40 seconds.
TEST_F(LoadTest, EveryStationOfABurstOfTwoHundredIsAnsweredOnceWithTwelveCorrectDigits) {
    constexpr int kStations = 200;
    const QDateTime before = QDateTime::currentDateTime();
    const std::vector<TimeAnswer> answers = quillet.whileServing([] {
        std::vector<TimeAnswer> all(kStations);
        std::vector<std::thread> stations;
        for (TimeAnswer& answer : all) {
            stations.emplace_back([&answer] { answer = askTime(kPort, 150s); });
        }
        for (std::thread& station : stations) {
            station.join();
        }
        return all;
    });
    const QDateTime after = QDateTime::currentDateTime();
    int attempts = 0;
    for (const TimeAnswer& answer : answers) {
        EXPECT_TRUE(isReplyBetween(answer.reply, before, after)) << '"' << answer.reply << '"';
        attempts += answer.attempts;
    }
    const auto mostAttempts = std::max_element(answers.begin(), answers.end(), [](const auto& a, const auto& b) {
                                  return a.attempts < b.attempts;
                              })->attempts;
    observe(std::to_string(kStations) + " stations answered in " + std::to_string(before.secsTo(after)) + " s after " +
            std::to_string(attempts) + " attempts (at most " + std::to_string(mostAttempts) + " by one station)");
}

TEST_F(LoadTest, ASecondServerExitsWithAddressInUseWhileTheFirstKeepsServing) {
    QuilletProcess second;
    ASSERT_TRUE(second.waitForExit());
    EXPECT_FALSE(second.crashed());
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.standardError().contains("Error 10048: Address already in use."))
        << second.standardError().toStdString();
}

} // namespace
} // namespace e2e
