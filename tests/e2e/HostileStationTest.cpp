// Stations that misbehave, one scenario at a time against the real server.
#include "ProcessResources.h"
#include "ServedQuillet.h"
#include "Station.h"

#include "support/EventLoop.h"

#include <algorithm>
#include <functional>
#include <thread>

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;
using testing_support::loopbackHost;
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

// A station that shuts its sending side has said it has nothing more to send, as many clients
// do at once: it still gets its twelve digits.
TEST_F(HostileStationTest, StationsThatHalfCloseAtOnceOrAfterALineGetTheirTwelveDigits) {
    const std::vector<std::pair<std::string, std::function<void(Station&)>>> stations = {
        {"at once", [](Station& station) { station.shutdownWrite(); }},
        {"after a line",
         [](Station& station) {
             station.sendAll("TIME\n");
             station.shutdownWrite();
         }},
    };
    for (const auto& [name, behaviour] : stations) {
        const QDateTime before = QDateTime::currentDateTime();
        const Answer answer = quillet.whileServing([&] { return visit(behaviour); });
        EXPECT_TRUE(isReplyBetween(answer.bytes, before, QDateTime::currentDateTime()))
            << "half-closed " << name << ": \"" << answer.bytes << '"';
        EXPECT_EQ(answer.ending, Ending::Fin);
    }
}

// The administrator's check through 127.0.0.1 must not leave the listener on that address alone.
TEST_F(HostileStationTest, AskedThroughOneLocalAddressTheServerStillHearsEveryOther) {
    for (int cycle = 0; cycle < 5; ++cycle) {
        for (const std::uint8_t host : {1, 2, 3}) {
            const TimeAnswer answer = quillet.whileServing([host] { return askTime(kPort, 5s, loopbackHost(host)); });
            EXPECT_EQ(answer.reply.size(), 12U) << "through 127.0.0." << int{host} << " in cycle " << cycle;
        }
    }
}

// A station gone before its reply is no served request: the log says why, once.
TEST_F(HostileStationTest, AStationThatResetsBeforeItsReplyIsLoggedWithItsErrorOnce) {
    quillet.whileServing([] {
        if (auto station = Station::connectRetrying(kPort, 5s, loopbackHost(5))) {
            station->reset();
        }
    });
    ASSERT_TRUE(quillet.waitForLogLine(QStringLiteral("] Error 10054: Connection reset by peer.")))
        << quillet.logLines().join('\n').toStdString();
    EXPECT_EQ(quillet.whileServing([] { return askTime(kPort); }).reply.size(), 12U);
    const QStringList lines = quillet.logLines();
    EXPECT_EQ(lines.filter(QStringLiteral("Error 10054")).size(), 1);
    const auto request = std::find_if(lines.begin(), lines.end(),
                                      [](const QString& line) { return line.endsWith("RQST: [127.0.0.5]"); });
    ASSERT_NE(request, lines.end());
    EXPECT_TRUE(std::next(request)->endsWith("Error 10054: Connection reset by peer."));
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

int linesWith(QuilletProcess& quillet, const QString& text) {
    return static_cast<int>(quillet.logLines().filter(text).size());
}

TEST_F(HostileStationTest, AStationTheServerHasNoDescriptorForIsNoRequestAndTheCauseIsLoggedOnce) {
#ifdef QUILLET_SANITIZED
    GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own (a pipe to test memory with)";
#endif
    // One station served first: by then the server's threads have made their descriptors,
    // which they would otherwise fail to make once the limit is down.
    const auto pid = static_cast<pid_t>(quillet.pid());
    ASSERT_EQ(quillet.whileServing([] { return askTime(kPort); }).reply.size(), 12U);
    // Each tick closes the listener and opens another, and until then the served connection may
    // still be open in its place: the limit is taken from two equal readings that hold the
    // listener, so it leaves room to listen again and nothing more.
    std::map<int, std::string> held;
    ASSERT_TRUE(testing_support::waitUntil([&] {
        held = openDescriptors(pid);
        return held == openDescriptors(pid) && holdsListeningSocket(pid, held);
    })) << describeDescriptors(held);
    const long limit = setDescriptorLimit(pid, lowestFreeDescriptor(held));
    for (int station = 0; station < 2; ++station) {
        const Answer answer = quillet.whileServing([] {
            auto dropped = Station::connect(kPort, 1s);
            return dropped ? dropped->readToEnd(2s) : Answer{};
        });
        EXPECT_EQ(answer.bytes, "");
        EXPECT_TRUE(quillet.waitForLogLine(QStringLiteral("] Error 10024: Too many open files.")))
            << quillet.standardError().toStdString();
    }
    setDescriptorLimit(pid, limit);
    EXPECT_EQ(linesWith(quillet, QStringLiteral("Error 10024")), 1);
    EXPECT_EQ(linesWith(quillet, QStringLiteral("RQST: [")), 1); // the station served first
}

} // namespace
} // namespace e2e
