// The cycle the time service runs on its one socket object, request after request.
#include "CSocket.h"
#include "MSocketSupport.h"
#include "RecordingListener.h"
#include "RuntimeError.h"
#include "SocketTestSupport.h"
#include "support/EventLoop.h"
#include "support/LoopbackPeer.h"

#include <gtest/gtest.h>

using testing_support::boundPort;
using testing_support::LoopbackPeer;
using testing_support::waitUntil;

namespace {

class ServiceCycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        socket = CSocket::create();
        socket->setListener(&listener);
        socket->Listen();
        port = boundPort(*socket);
        socket->LocalPort(port);
    }

    // Accepts the next station the way the time service does: inside the accept
    // notification, the listener is released and the same object takes the connection.
    void acceptOnTheSameObject() {
        listener.onConnectionRequest = [this](std::int32_t requestID) {
            socket->CloseSocket();
            socket->Accept(requestID);
        };
    }

    std::shared_ptr<CSocket> socket;
    RecordingListener listener;
    std::uint16_t port = 0;
};

TEST_F(ServiceCycleTest, ServesTwoHundredStationsInARowOnOnePort) {
    acceptOnTheSameObject();
    const std::string reply = "202603010905";
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const win::WindowHandle windowWhileListening = MSocketSupport::MessageWindow();
        auto station = LoopbackPeer::connectTo(port);
        ASSERT_NE(station, nullptr);
        ASSERT_TRUE(waitUntil([&] { return socket->State() == SocketState::Connected; }));
        EXPECT_NE(MSocketSupport::MessageWindow(), windowWhileListening); // released and made again
        EXPECT_EQ(socket->RemoteHostIP(), "127.0.0.1");

        const int completesBefore = listener.count("SendComplete");
        listener.progress.clear();
        socket->SendData(reply);
        ASSERT_EQ(listener.progress.size(), 1u); // raised before SendData returned
        EXPECT_EQ(listener.progress[0], std::make_pair(12, 0));
        EXPECT_EQ(listener.count("SendComplete"), completesBefore);
        ASSERT_TRUE(waitUntil([&] { return listener.count("SendComplete") == completesBefore + 1; }));

        socket->CloseSocket();
        EXPECT_EQ(socket->State(), SocketState::Closing);
        ASSERT_TRUE(station->waitForEnd());
        EXPECT_EQ(station->received(), reply);
        EXPECT_FALSE(station->wasReset());

        const int closesBefore = listener.count("Close");
        station->close();
        ASSERT_TRUE(waitUntil([&] { return listener.count("Close") == closesBefore + 1; }));
        EXPECT_EQ(socket->State(), SocketState::Closed);
        EXPECT_EQ(socket->SocketHandle(), winsock::kInvalidSocket);

        socket->Listen();
        ASSERT_EQ(socket->State(), SocketState::Listening);
    }
    EXPECT_EQ(listener.count("SendComplete"), 200);
    EXPECT_EQ(socket->m_lngTotalBytesSent, 200 * 12);
    EXPECT_EQ(listener.count("Error"), 0);
}

TEST_F(ServiceCycleTest, AStationThatResetsLeavesTheObjectInErrorWithItsSocketReleased) {
    acceptOnTheSameObject();
    auto station = LoopbackPeer::connectTo(port);
    ASSERT_TRUE(waitUntil([&] { return socket->State() == SocketState::Connected; }));
    station->reset();
    ASSERT_TRUE(waitUntil([&] { return listener.count("Error") == 1; }));
    EXPECT_EQ(socket->State(), SocketState::Error);
    EXPECT_EQ(socket->SocketHandle(), winsock::kInvalidSocket);
    EXPECT_EQ(listener.errors[0].number, 10054);
    EXPECT_EQ(listener.errors[0].description, "Connection reset by peer.");
    EXPECT_EQ(listener.errors[0].source, "CSocket.PostSocketEvent");

    socket->CloseSocket();
    socket->Listen(); // the object is used again as it is
    EXPECT_EQ(socket->State(), SocketState::Listening);
}

TEST_F(ServiceCycleTest, DataArrivingTwiceIsReportedAsTheRunningSum) {
    acceptOnTheSameObject();
    auto station = LoopbackPeer::connectTo(port);
    ASSERT_TRUE(waitUntil([&] { return socket->State() == SocketState::Connected; }));
    station->send("abc");
    ASSERT_TRUE(waitUntil([&] { return listener.arrivals.size() == 1; }));
    station->send("defg");
    ASSERT_TRUE(waitUntil([&] { return listener.arrivals.size() == 2; }));
    EXPECT_EQ(listener.arrivals, (std::vector<std::int32_t>{3, 7}));
    EXPECT_EQ(socket->BytesReceived(), 7);
    EXPECT_EQ(socket->m_lngTotalBytesReceived, 0); // nothing was taken
}

TEST_F(ServiceCycleTest, ClosingBeforeThePeerReadsStillDeliversTheReplyAndLetsTheObjectListenAgain) {
    acceptOnTheSameObject();
    auto station = LoopbackPeer::connectTo(port);
    ASSERT_TRUE(waitUntil([&] { return socket->State() == SocketState::Connected; }));
    socket->SendData(std::string("202712312359"));
    ASSERT_TRUE(waitUntil([&] { return listener.count("SendComplete") == 1; }));
    socket->CloseSocket();
    socket->CloseSocket(); // the owner's next tick: released at once, no event
    EXPECT_EQ(socket->State(), SocketState::Closed);
    socket->Listen();
    EXPECT_EQ(socket->State(), SocketState::Listening);
    ASSERT_TRUE(station->waitForEnd());
    EXPECT_EQ(station->received(), "202712312359");
    EXPECT_EQ(listener.count("Close"), 0);
}

TEST_F(ServiceCycleTest, AnOwnerMayReleaseTheObjectInsideItsOwnEvent) {
    std::weak_ptr<CSocket> watched = socket;
    listener.onConnectionRequest = [this](std::int32_t) { socket.reset(); };
    auto station = LoopbackPeer::connectTo(port);
    ASSERT_TRUE(waitUntil([&] { return watched.expired(); }));
    EXPECT_EQ(MSocketSupport::RegisteredSocketCount(), 0u);
}

} // namespace
