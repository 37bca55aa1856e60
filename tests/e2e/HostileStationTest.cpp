// Stations that misbehave, one scenario at a time against the real server.
#include "ProcessResources.h"
#include "ServedQuillet.h"
#include "Station.h"

#include <algorithm>
#include <functional>
#include <thread>

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint16_t kPort = QuilletProcess::kPort;

// A station that behaves as given once connected, then reads to the end.
Answer visit(const std::function<void(Station&)>& behaviour) {
    auto station = Station::connectRetrying(kPort);
    if (!station) {
        return {};
    }
    behaviour(*station);
    return station->readToEnd();
}

std::string binaryBlob(std::size_t size) {
    std::string blob(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        blob[i] = static_cast<char>(i * 31 % 256);
    }
    return blob;
}

int requestsLogged(QuilletProcess& quillet) {
    return static_cast<int>(quillet.logLines().filter(QStringLiteral("] RQST: [")).size());
}

class HostileStationTest : public ServedQuilletTest {};

TEST_F(HostileStationTest, ASilentStationGetsExactlyTwelveBytesThenTheEndOfTheStream) {
    const QDateTime before = QDateTime::currentDateTime();
    const Answer answer = quillet.whileServing([] { return visit([](Station&) {}); });
    EXPECT_TRUE(isReplyBetween(answer.bytes, before, QDateTime::currentDateTime())) << answer.bytes;
    EXPECT_EQ(answer.ending, Ending::Fin) << "the stream did not end with FIN";
}

TEST_F(HostileStationTest, StationsThatSendALineOrABlobStillGetTheTwelveDigits) {
    const std::string blob = binaryBlob(64 * 1024);
    const std::vector<std::pair<std::string, std::function<void(Station&)>>> stations = {
        {"line", [](Station& station) { station.sendAll("WHAT TIME IS IT?\r\n"); }},
        {"64 KiB blob", [&](Station& station) { station.sendAll(blob); }},
    };
    for (const auto& [name, behaviour] : stations) {
        const QDateTime before = QDateTime::currentDateTime();
        const Answer answer = quillet.whileServing([&] { return visit(behaviour); });
        EXPECT_TRUE(isReplyBetween(answer.bytes, before, QDateTime::currentDateTime()))
            << name << " station got \"" << answer.bytes << '"';
    }
}

// The server cannot tell a station that shut its sending side from one that closed, and
// lets both go unanswered at once; the station sees a clean end, not a hang or a reset.
TEST_F(HostileStationTest, AHalfClosedStationIsLetGoUnansweredWithACleanEnd) {
    const Answer answer = quillet.whileServing([] { return visit([](Station& station) { station.shutdownWrite(); }); });
    EXPECT_EQ(answer.bytes, "");
    EXPECT_EQ(answer.ending, Ending::Fin);
}

TEST_F(HostileStationTest, TwoHundredStationsThatResetAtOnceLeaveTheServiceRunning) {
    const int resets = quillet.whileServing([] {
        int count = 0;
        for (int i = 0; i < 200; ++i) {
            if (auto station = Station::connectRetrying(kPort)) {
                station->reset();
                ++count;
            }
        }
        return count;
    });
    EXPECT_EQ(resets, 200);
    observe(std::to_string(resets) + " stations reset at once; the server logged " +
            std::to_string(requestsLogged(quillet)) + " requests");
}

TEST_F(HostileStationTest, StationsThatConnectAndCloseAtOnceLeaveTheServiceRunning) {
    const int closes = quillet.whileServing([] {
        int count = 0;
        for (int i = 0; i < 20; ++i) {
            count += Station::connectRetrying(kPort) != nullptr ? 1 : 0;
        }
        return count;
    });
    EXPECT_EQ(closes, 20);
}

TEST_F(HostileStationTest, AStationThatNeverReadsDoesNotHoldUpTheNextOne) {
    auto idle = quillet.whileServing([] { return Station::connectRetrying(kPort); });
    ASSERT_NE(idle, nullptr);
    const QDateTime before = QDateTime::currentDateTime();
    const TimeAnswer next = quillet.whileServing([] { return askTime(kPort); });
    EXPECT_TRUE(isReplyBetween(next.reply, before, QDateTime::currentDateTime())) << next.reply;
}

// Streams for the whole time, reconnecting whenever the server lets the connection go;
// what each connection received is kept.
struct StreamRecord {
    long long bytes = 0;
    std::vector<std::string> received;
};

StreamRecord streamFor(std::chrono::seconds duration) {
    const std::string chunk = binaryBlob(256 * 1024);
    const auto end = Clock::now() + duration;
    StreamRecord record;
    while (Clock::now() < end) {
        auto station = Station::connectRetrying(kPort, std::chrono::duration_cast<std::chrono::milliseconds>(duration));
        if (!station) {
            break;
        }
        std::string received;
        for (long sent = 0; sent >= 0 && Clock::now() < end; sent = station->sendSome(chunk)) {
            record.bytes += sent;
            received += station->readAvailable();
            station->awaitWritable(50ms);
        }
        record.received.push_back(received + station->readAvailable());
        std::this_thread::sleep_for(kRetryPause);
    }
    return record;
}

TEST_F(HostileStationTest, AStationStreamingForFiveSecondsLeavesTheServerSmallAndServing) {
    const auto pid = static_cast<pid_t>(quillet.pid());
    const long idleKiB = residentKiB(pid);
    resetPeakResident(pid);
    const QDateTime before = QDateTime::currentDateTime();
    auto [stream, answers] = quillet.whileServing([] {
        auto streaming = std::async(std::launch::async, [] { return streamFor(5s); });
        std::vector<TimeAnswer> asked;
        while (streaming.wait_for(0s) != std::future_status::ready) {
            asked.push_back(askTime(kPort));
        }
        return std::make_pair(streaming.get(), asked);
    });
    const long growthKiB = peakResidentKiB(pid) - idleKiB;
    const auto answered = std::count_if(stream.received.begin(), stream.received.end(),
                                        [&](const std::string& bytes) { return !bytes.empty(); });
    observe("streamed " + std::to_string(stream.bytes >> 20) + " MiB over " + std::to_string(stream.received.size()) +
            " connections, " + std::to_string(answered) + " of them answered; peak resident memory " +
            std::to_string(growthKiB) + " KiB above the idle " + std::to_string(idleKiB) + " KiB; " +
            std::to_string(answers.size()) + " stations asked meanwhile");
    if (kResidentSizeIsTheProgramsOwn) {
        EXPECT_LT(growthKiB, 8 * 1024);
    }
    // Whether the streaming station itself reads its reply before the server's close resets
    // the connection it keeps writing to is a matter of timing; what it does receive is a reply.
    for (const std::string& bytes : stream.received) {
        EXPECT_TRUE(bytes.empty() || isReplyBetween(bytes, before, QDateTime::currentDateTime())) << bytes;
    }
    for (const TimeAnswer& answer : answers) {
        EXPECT_TRUE(isReplyBetween(answer.reply, before, QDateTime::currentDateTime()))
            << '"' << answer.reply << "\" after " << answer.attempts << " attempts";
    }
}

} // namespace
} // namespace e2e
