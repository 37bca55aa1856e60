// Stations that misbehave, one scenario at a time against the real server.
#include "ProcessResources.h"
#include "ServedQuillet.h"
#include "ServerBreakpoint.h"
#include "Station.h"

#include "support/EventLoop.h"

#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <fstream>
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

using testing_support::loopbackHost;

int linesWith(QuilletProcess& quillet, const QString& text) {
    return static_cast<int>(quillet.logLines().filter(text).size());
}

// The first answer that is not a reset: a station queued while the listener closes is reset
// and tries again, as real stations do.
Answer firstAnswer() {
    Answer answer;
    for (int attempt = 0; attempt < 50 && answer.ending != Ending::Fin; ++attempt) {
        if (auto station = Station::connectRetrying(kPort)) {
            answer = station->readToEnd(2s);
        }
    }
    return answer;
}

// Streams until told to stop or the connection fails; answers the bytes sent.
long uploadUntil(Station& station, const std::atomic<bool>& stop) {
    const std::string chunk = binaryBlob(64 * 1024);
    const auto end = Clock::now() + 20s;
    long total = 0;
    while (!stop && Clock::now() < end) {
        const long sent = station.sendSome(chunk);
        if (sent < 0) {
            break;
        }
        total += sent;
        if (sent == 0) {
            station.awaitWritable(10ms);
        }
    }
    return total;
}

// Waits until the server is held at the breakpoint, as long as the station is still in play:
// one queued just as a tick closes the listener is dropped unaccepted and must try again.
bool heldWhile(ServerBreakpoint& breakpoint, const std::function<bool()>& inPlay) {
    while (inPlay()) {
        if (breakpoint.waitForHit(50ms)) {
            return true;
        }
    }
    return false;
}

// A station connected once the server is held at the breakpoint it reached by accepting it;
// nullptr, with the reason reported, when that could not be arranged.
std::unique_ptr<Station> connectAndHold(ServerBreakpoint& breakpoint, std::uint32_t fromHost = loopbackHost()) {
    for (int attempt = 0; attempt < 20 && breakpoint.isSet(); ++attempt) {
        auto station = Station::connectRetrying(kPort, 5s, fromHost);
        if (station && heldWhile(breakpoint, [&] { return !station->isDropped(); })) {
            return station;
        }
    }
    ADD_FAILURE() << "the server was not held: " << breakpoint.transcript().toStdString();
    return nullptr;
}

TEST_F(HostileStationTest, AStationThatUploadsMegabytesAndResetsBeforeItsReplyCannotStopTheService) {
    ServerBreakpoint tick(quillet.pid(), QStringLiteral("TimeService::Timer1_Timer"));
    ASSERT_TRUE(tick.isSet()) << tick.transcript().toStdString();
    std::atomic<bool> tickHeld{false};
    std::unique_ptr<Station> station;
    std::future<long> upload;
    for (int attempt = 0; attempt < 20 && !tickHeld; ++attempt) {
        station = Station::connectRetrying(kPort);
        ASSERT_NE(station, nullptr);
        upload = std::async(std::launch::async, [&] { return uploadUntil(*station, tickHeld); });
        tickHeld = heldWhile(tick, [&] { return upload.wait_for(0s) != std::future_status::ready; });
    }
    ASSERT_TRUE(tickHeld) << tick.transcript().toStdString();
    observe(std::to_string(upload.get() >> 10) + " KiB uploaded before the tick");
    station->reset();
    tick.release();
    ASSERT_TRUE(quillet.waitForLogLine(QStringLiteral("] Error 10054: Connection reset by peer.")));
    const QDateTime before = QDateTime::currentDateTime();
    const TimeAnswer next = quillet.whileServing([] { return askTime(kPort, 1s); });
    EXPECT_TRUE(isReplyBetween(next.reply, before, QDateTime::currentDateTime())) << next.reply;
    EXPECT_EQ(linesWith(quillet, QStringLiteral("Error 10058")), 0) << "the tick went on sending to the dead station";
}

// A station gone before its reply leaves none behind: the next one is answered at its own tick.
TEST_F(HostileStationTest, AStationThatHalfClosesBeforeItsReplyLeavesNothingOwedToTheNextStation) {
    ServerBreakpoint accepted(quillet.pid(), QStringLiteral("TimeService::countRequest"));
    auto station = connectAndHold(accepted);
    ASSERT_NE(station, nullptr);
    station->shutdownWrite();
    // The stimulus, not a wait for the server: held still this long, the server finds the
    // station's end and its first tick due at once when it goes on.
    std::this_thread::sleep_for(250ms);
    accepted.release();
    station->readToEnd();
    const QDateTime before = QDateTime::currentDateTime();
    const Answer next = quillet.whileServing(firstAnswer);
    EXPECT_TRUE(isReplyBetween(next.bytes, before, QDateTime::currentDateTime())) << '"' << next.bytes << '"';
}

TEST_F(HostileStationTest, PastTheLargestSentTotalEveryStationStillGetsOneReplyThenTheEnd) {
    {
        const QDateTime before = QDateTime::currentDateTime(); // the reply is made before the hold
        ServerBreakpoint send(quillet.pid(), QStringLiteral("CSocket::SendData"));
        auto station = connectAndHold(send);
        ASSERT_NE(station, nullptr);
        send.run(QStringLiteral("set var this->m_lngTotalBytesSent = 2147483640")); // 12 more would pass the top
        send.release();
        const Answer answer = quillet.whileServing([&] { return station->readToEnd(); });
        EXPECT_TRUE(isReplyBetween(answer.bytes, before, QDateTime::currentDateTime())) << answer.bytes;
        EXPECT_EQ(answer.ending, Ending::Fin);
    }
    ASSERT_TRUE(quillet.waitForLogLine(QStringLiteral("] Error 6: Overflow")));
    const QDateTime before = QDateTime::currentDateTime();
    const Answer next = quillet.whileServing(firstAnswer); // the total stays at the top
    EXPECT_TRUE(isReplyBetween(next.bytes, before, QDateTime::currentDateTime())) << next.bytes;
}

TEST_F(HostileStationTest, TheLogNamesTheStationThatConnectedEvenWhenItResetAtOnce) {
    const Answer served = quillet.whileServing([] {
        auto station = Station::connectRetrying(kPort, 5s, loopbackHost(7));
        return station ? station->readToEnd() : Answer{};
    });
    ASSERT_EQ(served.bytes.size(), 12U);
    {
        ServerBreakpoint accept(quillet.pid(), QStringLiteral("CSocket::Accept"));
        auto station = connectAndHold(accept, loopbackHost(9));
        ASSERT_NE(station, nullptr);
        station->reset(); // gone before the server asks who it was
    }
    ASSERT_TRUE(quillet.waitForLogLine(QStringLiteral("] RQST: [127.0.0.9]")))
        << quillet.logLines().join('\n').toStdString();
    EXPECT_EQ(linesWith(quillet, QStringLiteral("RQST: [127.0.0.7]")), 1);
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

TEST_F(HostileStationTest, AListenerTheServerHasNoDescriptorForIsLoggedOnceAndListensOnceOneIsFree) {
#ifdef QUILLET_SANITIZED
    GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own (a pipe to test memory with)";
#endif
    const auto pid = static_cast<pid_t>(quillet.pid());
    ASSERT_EQ(quillet.whileServing([] { return askTime(kPort); }).reply.size(), 12U);
    long limit = 0;
    {
        // Held where a tick listens again, its old listener closed: no room for a new one.
        ServerBreakpoint listen(quillet.pid(), QStringLiteral("CSocket::Listen"));
        ASSERT_TRUE(listen.isSet() && listen.waitForHit()) << listen.transcript().toStdString();
        limit = setDescriptorLimit(pid, lowestFreeDescriptor(openDescriptors(pid)));
    }
    ASSERT_TRUE(quillet.waitForLogLine(QStringLiteral("] Error 10024: Too many open files.")))
        << quillet.logLines().join('\n').toStdString();
    setDescriptorLimit(pid, limit);
    EXPECT_EQ(quillet.whileServing([] { return askTime(kPort); }).reply.size(), 12U);
    EXPECT_EQ(linesWith(quillet, QStringLiteral("Error 10024")), 1);
}

// A server whose wall clock the test sets through a file, so that a reply shows the moment
// it was built.
class ClockFile {
protected:
    ClockFile() { setClock(kStart); }
    void setClock(const QString& moment) {
        m_moment = QDateTime::fromString(moment, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        std::ofstream(path().toStdString()) << moment.toStdString() << '\n';
    }
    QString path() const { return m_folder.filePath(QStringLiteral("clock")); }

    static constexpr const char* kStart = "2027-03-01 09:05:00";
    QTemporaryDir m_folder;
    QDateTime m_moment;
};

class SetClockStationTest : protected ClockFile, public ServedQuilletTest {
protected:
    SetClockStationTest()
        : ServedQuilletTest(setClockEnvironment(
              {QStringLiteral("FAKETIME_TIMESTAMP_FILE=") + path(), QStringLiteral("FAKETIME_NO_CACHE=1")})) {}
    QDateTime serverNow() const override { return m_moment; }
};

TEST_F(SetClockStationTest, AStationThatResetsBeforeItsReplyLeavesNoOldReplyForTheNextStation) {
    {
        ServerBreakpoint tick(quillet.pid(), QStringLiteral("TimeService::Timer1_Timer"));
        auto station = connectAndHold(tick);
        ASSERT_NE(station, nullptr);
        station->reset(); // its reply, built at 09:05, can no longer go out
    }
    ASSERT_TRUE(quillet.waitForLogLine(QStringLiteral("] Error 10054")));
    setClock(QStringLiteral("2027-03-01 10:17:00"));
    const TimeAnswer next = quillet.whileServing([] { return askTime(kPort); });
    EXPECT_EQ(next.reply, "202703011017");
}

} // namespace
} // namespace e2e
