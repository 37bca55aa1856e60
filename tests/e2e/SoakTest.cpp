// One server answering a thousand stations in a row gives back what it took.
#include "ProcessResources.h"
#include "ServedQuillet.h"
#include "Station.h"

#include "support/EventLoop.h"

namespace e2e {
namespace {

constexpr std::uint16_t kPort = QuilletProcess::kPort;

class SoakTest : public ServedQuilletTest {};

std::string describe(const std::map<int, std::string>& descriptors) {
    std::string text;
    for (const auto& [number, target] : descriptors) {
        text += ' ' + std::to_string(number) + ':' + target;
    }
    return text;
}

// Two ticks per station: a thousand take about 200 seconds.
TEST_F(SoakTest, AThousandRequestsInARowLeaveTheDescriptorCountAndAlmostAllMemoryAsTheyWere) {
    constexpr int kRequests = 1000;
    const auto pid = static_cast<pid_t>(quillet.pid());
    const auto startDescriptors = openDescriptors(pid);
    const long startKiB = residentKiB(pid);
    const QDateTime before = QDateTime::currentDateTime();
    const int answered = quillet.whileServing([] {
        int count = 0;
        for (int i = 0; i < kRequests; ++i) {
            count += askTime(kPort).reply.size() == 12 ? 1 : 0;
        }
        return count;
    });
    EXPECT_EQ(answered, kRequests);
    // The last connection is let go at the next tick, and the listener is made anew.
    const bool asAtTheStart =
        testing_support::waitUntil([&] { return openDescriptors(pid).size() == startDescriptors.size(); }, 2s);
    const auto endDescriptors = openDescriptors(pid);
    EXPECT_TRUE(asAtTheStart) << describe(startDescriptors) << " at the start, now " << describe(endDescriptors);
    const long growthKiB = residentKiB(pid) - startKiB;
    if (kResidentSizeIsTheProgramsOwn) {
        EXPECT_LT(growthKiB, 2 * 1024);
    }
    observe(std::to_string(answered) + " requests in " + std::to_string(before.secsTo(QDateTime::currentDateTime())) +
            " s; descriptors " + std::to_string(startDescriptors.size()) + " -> " +
            std::to_string(endDescriptors.size()) + "; resident " + std::to_string(startKiB) + " KiB -> " +
            std::to_string(startKiB + growthKiB) + " KiB");
}

} // namespace
} // namespace e2e
