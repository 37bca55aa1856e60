#include "ServiceFixture.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>

using testing_support::LoopbackPeer;
using testing_support::processPendingEvents;
using testing_support::waitUntil;

namespace {

// Moments that once broke the service, each made to happen between two ticks given by hand.
class SteppedTickTest : public ServiceFixture {
protected:
    void SetUp() override {
        tickByHand = true;
        ServiceFixture::SetUp();
        load();
    }

    // A station the service has accepted and logged, its reply not yet sent.
    std::unique_ptr<LoopbackPeer> acceptedStation() {
        const qsizetype requests = logLines().filter(QStringLiteral("RQST: [")).size();
        auto station = connectStation();
        EXPECT_TRUE(waitUntil([&] { return logLines().filter(QStringLiteral("RQST: [")).size() > requests; }));
        return station;
    }

    // The next station, once a tick has listened again, and what it receives at the tick after.
    std::string nextStationReceives() {
        service->Timer1_Timer();
        auto next = acceptedStation();
        service->Timer1_Timer();
        EXPECT_TRUE(next->waitForEnd());
        return next->received();
    }

    void setClock(const QTime& time) {
        clock = [time] { return QDateTime(QDate(2027, 3, 1), time); };
    }
    qsizetype linesWith(const QString& text) const { return logLines().filter(text).size(); }
};

TEST_F(SteppedTickTest, AStationThatUploadsThenResetsBeforeItsReplyLeavesNothingForTheNextOne) {
    auto station = acceptedStation();
    const std::string chunk(64 * 1024, 'x');
    for (int piece = 0; piece < 64; ++piece) { // up to 4 MiB, as much as the kernel takes
        station->sendSome(chunk);
        processPendingEvents();
    }
    station->reset();
    service->Timer1_Timer(); // the reply's tick meets the reset
    ASSERT_TRUE(waitUntil([&] { return linesWith(QStringLiteral("] Error 10054: Connection reset by peer.")) == 1; }));
    setClock(QTime(10, 17)); // a reply built before the reset would still say 09:05
    EXPECT_EQ(nextStationReceives(), "202703011017");
    EXPECT_EQ(linesWith(QStringLiteral("Error 10058")), 0) << "a tick went on sending to the dead station";
}

TEST_F(SteppedTickTest, AStationThatHalfClosesBeforeItsReplyGetsItAndOwesNothingToTheNextOne) {
    auto station = acceptedStation();
    station->shutdownWrite();
    processPendingEvents(); // the service hears the end of the station's stream before its tick
    service->Timer1_Timer();
    ASSERT_TRUE(station->waitForEnd());
    EXPECT_EQ(station->received(), "202703010905");
    setClock(QTime(10, 17));
    EXPECT_EQ(nextStationReceives(), "202703011017");
}

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
