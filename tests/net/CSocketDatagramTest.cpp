// UDP use of a socket object: remote addresses, the broadcast option, datagrams
// received from and sent to a peer on 127.0.0.1.
#include "CSocket.h"
#include "MSocketSupport.h"
#include "RecordingListener.h"
#include "RuntimeError.h"
#include "SocketTestSupport.h"
#include "UdpPeer.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

using testing_support::boundPort;
using testing_support::failureOf;
using testing_support::UdpPeer;
using testing_support::waitUntil;

namespace {

class DatagramTest : public ::testing::Test {
protected:
    void SetUp() override {
        socket->Protocol(1);
        socket->setListener(&events);
    }

    std::int32_t broadcastOption() const {
        std::int32_t value = -1;
        EXPECT_EQ(winsock::getSockOpt(socket->SocketHandle(), winsock::kSolSocket, winsock::kSoBroadcast, value), 0);
        return value;
    }

    std::shared_ptr<CSocket> socket = CSocket::create();
    RecordingListener events;
    UdpPeer peer;
};

// Only the option is read back: nothing is sent to these addresses.
TEST_F(DatagramTest, AnAddressEndingInDot255SwitchesTheBroadcastOptionOnAndAnyOtherAddressOff) {
    struct Step {
        std::string value;
        std::string remoteHostIP;
        std::int32_t broadcast;
    };
    const std::vector<Step> steps = {
        {"192.168.1.255", "192.168.1.255", 1},
        {"192.168.1.7", "192.168.1.7", 0},
        {"192.168.1.255", "192.168.1.255", 1},
        {"timehost", "192.168.1.255", 1},        // a name changes neither
        {"255.255.255.255", "192.168.1.255", 1}, // the parse's failure value: taken as a name
        {"", "192.168.1.255", 1},
    };
    for (const auto& [value, remoteHostIP, broadcast] : steps) {
        SCOPED_TRACE(value);
        socket->RemoteHost(value);
        EXPECT_EQ(socket->RemoteHost(), value);
        EXPECT_EQ(socket->RemoteHostIP(), remoteHostIP);
        EXPECT_EQ(broadcastOption(), broadcast);
    }
    EXPECT_TRUE(events.events.empty());
}

TEST_F(DatagramTest, TheBroadcastOptionHoldsForTheCurrentSocketOnly) {
    socket->RemoteHost("10.0.0.255");
    ASSERT_EQ(broadcastOption(), 1);
    socket->CloseSocket();
    socket->RemoteHost("10.0.0.255"); // a new socket, switched on again
    EXPECT_NE(socket->SocketHandle(), winsock::kInvalidSocket);
    EXPECT_EQ(broadcastOption(), 1);
}

TEST_F(DatagramTest, AStreamObjectTakesTheAddressWithoutMakingASocket) {
    socket->Protocol(0);
    socket->RemoteHost("192.168.1.255");
    EXPECT_EQ(socket->RemoteHostIP(), "192.168.1.255");
    EXPECT_EQ(socket->SocketHandle(), winsock::kInvalidSocket);
}

TEST_F(DatagramTest, ADatagramNamesItsSender) {
    socket->Bind(0, "127.0.0.1");
    ASSERT_TRUE(peer.sendTo(boundPort(*socket), "ping"));
    ASSERT_TRUE(waitUntil([&] { return !events.arrivals.empty(); }));
    EXPECT_EQ(events.arrivals, std::vector<std::int32_t>{4});
    EXPECT_EQ(socket->RemotePort(), peer.port());
    EXPECT_EQ(socket->RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(socket->RemoteHost(), "localhost"); // the name the hosts file gives 127.0.0.1
}

TEST_F(DatagramTest, ADatagramToANameGoesOutOnceTheNameIsLookedUp) {
    socket->RemoteHost("localhost");
    socket->RemotePort(peer.port());
    socket->SendData(std::string("hello"));
    EXPECT_EQ(events.progress, (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 5}}));
    EXPECT_EQ(socket->RemoteHostIP(), "");

    ASSERT_TRUE(peer.waitForDatagrams(1));
    EXPECT_EQ(peer.datagrams(), std::vector<std::string>{"hello"});
    ASSERT_TRUE(waitUntil([&] { return events.count("SendComplete") == 1; }));
    EXPECT_EQ(events.progress, (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 5}, {5, 0}}));
    EXPECT_EQ(socket->State(), SocketState::HostResolved);
    EXPECT_EQ(socket->RemoteHost(), "localhost");
    EXPECT_EQ(socket->RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(socket->m_lngTotalBytesSent, 5);
}

// As with any pending value, a later one replaces it; both calls wait for one look-up.
TEST_F(DatagramTest, ASecondDatagramBeforeTheLookUpCompletesReplacesTheFirstAndWaitsWithIt) {
    socket->RemoteHost("localhost");
    socket->RemotePort(peer.port());
    socket->SendData(std::string("first"));
    socket->SendData(std::string("second"));
    ASSERT_TRUE(waitUntil([&] { return events.count("SendComplete") == 1; }));
    socket->SendData(std::string("third"));
    ASSERT_TRUE(peer.waitForDatagrams(2));
    EXPECT_EQ(peer.datagrams(), (std::vector<std::string>{"second", "third"}));
    EXPECT_TRUE(events.errors.empty());
}

TEST_F(DatagramTest, ADatagramIsRefusedWhileAConnectLooksUpItsNameAndTheConnectGoesOn) {
    socket->Connect("localhost", peer.port());
    const RuntimeError error = failureOf([&] { socket->SendData(std::string("x")); });
    EXPECT_EQ(error.number(), 10037);
    EXPECT_EQ(error.source(), "CSocket.SendData");
    ASSERT_TRUE(waitUntil([&] { return socket->RemoteHostIP() == "127.0.0.1"; }));
    EXPECT_EQ(socket->State(), SocketState::HostResolved); // a datagram socket connects at once
    EXPECT_TRUE(events.errors.empty());
}

// The name comes first, while no remote address is known, so that it is looked up.
TEST_F(DatagramTest, ARemotePortOutOfRangeIsRefusedBeforeAnythingIsLookedUpOrSent) {
    for (const char* host : {"localhost", "127.0.0.1"}) {
        SCOPED_TRACE(host);
        socket->RemoteHost(host);
        socket->RemotePort(65536);
        const RuntimeError error = failureOf([&] { socket->SendData(std::string("x")); });
        EXPECT_EQ(error.number(), kOverflowError);
        EXPECT_EQ(error.source(), "CSocket.SendData");
        EXPECT_EQ(MSocketSupport::PendingLookupCount(), 0u);
        EXPECT_TRUE(events.progress.empty());
    }
}

} // namespace
