// One server answering a thousand stations in a row gives back what it took.
#include "ProcessResources.h"
#include "ServedQuillet.h"
#include "Station.h"

namespace e2e {
namespace {

constexpr std::uint16_t kPort = QuilletProcess::kPort;

class SoakTest : public ServedQuilletTest {};

int askInARow(int requests) {
    int answered = 0;
    for (int i = 0; i < requests; ++i) {
        answered += askTime(kPort).reply.size() == 12 ? 1 : 0;
    }
    return answered;
}

// Two ticks per station: a thousand take about 200 seconds.
TEST_F(SoakTest, AThousandRequestsInARowLeaveTheDescriptorCountAndAlmostAllMemoryAsTheyWere) {
    constexpr int kRequests = 1000;
    const auto pid = static_cast<pid_t>(quillet.pid());
    const auto startDescriptors = ownDescriptors(pid);
    ASSERT_EQ(quillet.whileServing([] { return askInARow(10); }), 10); // the first requests set up what stays
    const long startKiB = residentKiB(pid);
    const QDateTime before = QDateTime::currentDateTime();
    EXPECT_EQ(quillet.whileServing([] { return askInARow(kRequests); }), kRequests);
    const QDateTime after = QDateTime::currentDateTime();
    const std::string resources = expectResourcesAsAtTheStart(pid, startDescriptors, startKiB, 2 * 1024);
    observe(std::to_string(kRequests) + " requests in " + std::to_string(before.secsTo(after)) + " s; " + resources);
}

} // namespace
} // namespace e2e
