// Normal and hostile stations at random against one server for about three minutes: every
// reply is the time it was sent at, nobody gets more than one, and nothing is left behind.
#include "ProcessResources.h"
#include "ServedQuillet.h"
#include "Station.h"

#include <mutex>
#include <random>
#include <thread>

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint16_t kPort = QuilletProcess::kPort;
constexpr auto kMix = 150s;
constexpr int kHostileStations = 3;

enum class Kind { Normal, ResetAtRandom, HalfClose, Flood, Holder, SlowReader, UploadThenReset, Count };
const char* const kKindNames[] = {"normal", "reset", "half-close", "flood", "holder", "slow reader", "upload+reset"};

class Visitor {
public:
    explicit Visitor(unsigned seed) : m_random(seed) {}

    // One station behaving as the kind says; answers all it received.
    std::string visit(Kind kind) {
        auto station = Station::connectRetrying(kPort, 2s);
        if (!station) {
            return {};
        }
        switch (kind) {
        case Kind::ResetAtRandom: return resetAfter(*station, between(0, 150));
        case Kind::HalfClose: station->shutdownWrite(); break;
        case Kind::Flood: return sendFor(*station, between(50, 300), 64 * 1024);
        case Kind::Holder: std::this_thread::sleep_for(between(0, 400)); break;
        case Kind::SlowReader: return readSlowly(*station);
        case Kind::UploadThenReset: {
            const std::string received = sendFor(*station, between(5, 150), 256 * 1024);
            return received + resetAfter(*station, 0ms);
        }
        default: break;
        }
        return station->readToEnd(2s).bytes;
    }

    Kind anyHostileKind() { return static_cast<Kind>(between(1, static_cast<int>(Kind::Count) - 1).count()); }

private:
    std::chrono::milliseconds between(int low, int high) {
        return std::chrono::milliseconds(std::uniform_int_distribution<int>(low, high)(m_random));
    }

    static std::string resetAfter(Station& station, std::chrono::milliseconds wait) {
        const std::string received = station.readToEnd(wait).bytes;
        station.reset();
        return received;
    }

    static std::string sendFor(Station& station, std::chrono::milliseconds duration, std::size_t chunkSize) {
        const std::string chunk(chunkSize, 'x');
        const auto end = Clock::now() + duration;
        std::string received;
        while (Clock::now() < end && station.sendSome(chunk) >= 0) {
            received += station.readAvailable();
            station.awaitWritable(10ms);
        }
        return received + station.readAvailable();
    }

    std::string readSlowly(Station& station) {
        std::string received;
        const auto end = Clock::now() + 2s;
        while (!station.isDropped() && Clock::now() < end) {
            std::this_thread::sleep_for(between(10, 60));
            received += station.readAvailable();
        }
        return received + station.readAvailable();
    }

    std::mt19937 m_random;
};

// What stations saw that they must never see, in words.
class Violations {
public:
    void check(Kind kind, const std::string& received, const QDateTime& before, const QDateTime& after) {
        if (received.empty() || isReplyBetween(received, before, after)) {
            return;
        }
        const std::lock_guard lock(m_mutex);
        m_seen.push_back(std::string(kKindNames[static_cast<int>(kind)]) + " station got \"" + received + '"');
    }
    std::vector<std::string> seen() {
        const std::lock_guard lock(m_mutex);
        return m_seen;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_seen;
};

// Runs stations of the kinds `next` chooses until the end; answers how many received a reply.
int runStations(Visitor& visitor, Violations& violations, const std::function<Kind()>& next, Clock::time_point end) {
    int replies = 0;
    while (Clock::now() < end) {
        const Kind kind = next();
        const QDateTime before = QDateTime::currentDateTime();
        const std::string received = visitor.visit(kind);
        violations.check(kind, received, before, QDateTime::currentDateTime());
        replies += received.empty() ? 0 : 1;
    }
    return replies;
}

class InvariantSoakTest : public ServedQuilletTest {};

TEST_F(InvariantSoakTest, UnderAMixOfHostileStationsEveryReplyIsCurrentAndNothingIsLeftBehind) {
    const auto pid = static_cast<pid_t>(quillet.pid());
    const unsigned seed = std::random_device{}();
    observe("seed " + std::to_string(seed));
    Violations violations;
    quillet.whileServing([&] { // every kind once first: what stays after that is set up
        Visitor visitor(seed);
        for (int kind = 0; kind < static_cast<int>(Kind::Count); ++kind) {
            violations.check(static_cast<Kind>(kind), visitor.visit(static_cast<Kind>(kind)),
                             QDateTime::currentDateTime().addSecs(-5), QDateTime::currentDateTime());
        }
    });
    const auto startDescriptors = ownDescriptors(pid);
    const long startKiB = residentKiB(pid);

    const int normalReplies = quillet.whileServing([&] {
        const auto end = Clock::now() + kMix;
        std::vector<std::future<int>> hostile;
        for (int i = 0; i < kHostileStations; ++i) {
            hostile.push_back(std::async(std::launch::async, [&, i] {
                Visitor visitor(seed + 1 + static_cast<unsigned>(i));
                return runStations(
                    visitor, violations, [&] { return visitor.anyHostileKind(); }, end);
            }));
        }
        Visitor visitor(seed);
        const int replies = runStations(
            visitor, violations, [] { return Kind::Normal; }, end);
        for (auto& station : hostile) {
            station.get();
        }
        return replies;
    });

    const QDateTime before = QDateTime::currentDateTime();
    const TimeAnswer calm = quillet.whileServing([] { return askTime(kPort, 1s); });
    EXPECT_TRUE(isReplyBetween(calm.reply, before, QDateTime::currentDateTime()))
        << "once the hostile stations stopped a normal station got \"" << calm.reply << '"';
    EXPECT_GT(normalReplies, 0);
    for (const std::string& violation : violations.seen()) {
        ADD_FAILURE() << violation;
    }
    const std::string resources = expectResourcesAsAtTheStart(pid, startDescriptors, startKiB, 4 * 1024);
    observe(std::to_string(normalReplies) + " normal stations answered beside " + std::to_string(kHostileStations) +
            " hostile ones for " + std::to_string(kMix.count()) + " s; " + resources);
}

} // namespace
} // namespace e2e
