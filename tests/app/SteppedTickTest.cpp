#include "SteppedTickFixture.h"

using testing_support::LoopbackPeer;
using testing_support::processPendingEvents;
using testing_support::waitUntil;

namespace {

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

} // namespace
