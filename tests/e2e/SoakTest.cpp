// One server answering a thousand stations in a row gives back what it took.
#include "ProcessResources.h"
#include "ServedQuillet.h"
#include "Station.h"

#include "support/EventLoop.h"

namespace e2e {
namespace {

constexpr std::uint16_t kPort = QuilletProcess::kPort;

class SoakTest : public ServedQuilletTest {};

// Two ticks per station: a thousand take about 200 seconds.
TEST_F(SoakTest, AThousandRequestsInARowLeaveTheDescriptorCountAndAlmostAllMemoryAsTheyWere) {
    constexpr int kRequests = 1000;
    const auto pid = static_cast<pid_t>(quillet.pid());
    const int startDescriptors = openDescriptorCount(pid);
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
    // The last connection is let go at the next tick.
    EXPECT_TRUE(testing_support::waitUntil([&] { return openDescriptorCount(pid) == startDescriptors; }, 2s))
        << openDescriptorCount(pid) << " descriptors open, " << startDescriptors << " at the start";
    const long growthKiB = residentKiB(pid) - startKiB;
    EXPECT_LT(growthKiB, 2 * 1024);
    observe(std::to_string(answered) + " requests in " + std::to_string(before.secsTo(QDateTime::currentDateTime())) +
            " s; descriptors " + std::to_string(startDescriptors) + " -> " + std::to_string(openDescriptorCount(pid)) +
            "; resident " + std::to_string(startKiB) + " KiB -> " + std::to_string(startKiB + growthKiB) + " KiB");
}

} // namespace
} // namespace e2e
