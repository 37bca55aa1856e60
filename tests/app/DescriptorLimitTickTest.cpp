// The service with no descriptor left for its listener: a limit Linux lets a process lower for itself.
#include "SteppedTickFixture.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>

using testing_support::processPendingEvents;

namespace {

int lowestFreeDescriptor() {
    int descriptor = 0;
    while (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) {
        ++descriptor;
    }
    return descriptor;
}

// Lowers this process's limit of open descriptors for as long as it lives.
class DescriptorLimit {
public:
    explicit DescriptorLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = limit;
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~DescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    DescriptorLimit(const DescriptorLimit&) = delete;
    DescriptorLimit& operator=(const DescriptorLimit&) = delete;

private:
    rlimit m_saved{};
};

TEST_F(SteppedTickTest, ATickWithNoDescriptorForItsListenerLogsItOnceAndListensOnceOneIsFree) {
#ifdef QUILLET_SANITIZED
    GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own";
#endif
    {
        auto served = acceptedStation();
        service->Timer1_Timer();
        ASSERT_TRUE(served->waitForEnd());
    }
    processPendingEvents(); // the served connection is closed on both sides
    {
        const DescriptorLimit limit(static_cast<rlim_t>(lowestFreeDescriptor()));
        for (int tick = 0; tick < 3; ++tick) {
            service->Timer1_Timer();
        }
    }
    EXPECT_TRUE(logEndsWith(QStringLiteral("Error 10024: Too many open files.")));
    EXPECT_EQ(linesWith(QStringLiteral("Error 10024")), 1);
    EXPECT_EQ(nextStationReceives(), "202703010905");
}

} // namespace
