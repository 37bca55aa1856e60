// What belongs to one connection goes with it, and no failure of the socket object goes unheard.
#include "CSocket.h"
#include "MSocketSupport.h"
#include "RecordingListener.h"
#include "SocketTestSupport.h"
#include "support/EventLoop.h"
#include "support/LoopbackPeer.h"

#include <gtest/gtest.h>
#include <new>

using testing_support::boundPort;
using testing_support::LoopbackPeer;
using testing_support::waitUntil;

namespace {

class ListenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        socket->setListener(&events);
        socket->Listen();
        port = boundPort(*socket);
        socket->LocalPort(port);
    }

    // The time service's way: inside the accept notification the listener is released and the
    // same object takes the connection.
    std::unique_ptr<LoopbackPeer> connectToTheSameObject() {
        events.onConnectionRequest = [this](std::int32_t requestID) {
            socket->CloseSocket();
            socket->Accept(requestID);
        };
        auto station = LoopbackPeer::connectTo(port);
        EXPECT_TRUE(waitUntil([&] { return socket->State() == SocketState::Connected; }));
        return station;
    }

    void listenAgain() {
        socket->CloseSocket();
        socket->CloseSocket();
        socket->Listen();
    }

    std::shared_ptr<CSocket> socket = CSocket::create();
    RecordingListener events;
    std::uint16_t port = 0;
};

TEST_F(ListenerTest, AConnectionNobodyTakesIsClosedAtOnce) {
    auto station = LoopbackPeer::connectTo(port);
    ASSERT_NE(station, nullptr);
    EXPECT_TRUE(station->waitForEnd()) << "the station was left waiting on a connection nobody holds";
    EXPECT_EQ(socket->State(), SocketState::Listening);
}

TEST_F(ListenerTest, AcceptingWhileStillListeningLetsTheListenerGo) {
    events.onConnectionRequest = [this](std::int32_t requestID) { socket->Accept(requestID); };
    auto station = LoopbackPeer::connectTo(port);
    ASSERT_TRUE(waitUntil([&] { return socket->State() == SocketState::Connected; }));
    EXPECT_EQ(LoopbackPeer::connectTo(port), nullptr) << "the listener was kept, unreachable, listening";
}

TEST_F(ListenerTest, WhatAConnectionReceivedIsNotCountedForTheNext) {
    auto first = connectToTheSameObject();
    first->send("abc");
    ASSERT_TRUE(waitUntil([&] { return socket->BytesReceived() == 3; }));
    listenAgain();
    auto second = connectToTheSameObject();
    EXPECT_EQ(socket->BytesReceived(), 0);
}

// A listener that took a station through 127.0.0.1 still hears stations on every other address.
TEST_F(ListenerTest, ListeningAgainAfterAConnectionKeepsEveryLocalAddress) {
    auto station = connectToTheSameObject();
    EXPECT_EQ(socket->LocalIP(), "127.0.0.1");
    listenAgain();
    winsock::SocketAddressIn bound;
    winsock::getSockName(socket->SocketHandle(), bound);
    EXPECT_EQ(bound.address, winsock::kInaddrAny);
}

// A failure in the owner's own handler, even one of the C++ library, comes back as an error.
TEST_F(ListenerTest, AFailureWhileHandlingANotificationReachesTheOwner) {
    events.onConnectionRequest = [](std::int32_t) { throw std::bad_alloc(); };
    auto station = LoopbackPeer::connectTo(port);
    ASSERT_TRUE(waitUntil([&] { return events.count("Error") == 1; }));
    EXPECT_EQ(events.errors[0].number, kOutOfMemoryError);
    EXPECT_EQ(events.errors[0].source, "CSocket.PostSocketEvent");
    EXPECT_TRUE(station->waitForEnd()); // and the connection nobody took is closed
}

} // namespace
