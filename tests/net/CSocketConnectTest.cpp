// Connecting a socket object to a peer given by dotted address or by name.
#include "CSocket.h"
#include "MSocketSupport.h"
#include "RecordingListener.h"
#include "RuntimeError.h"
#include "SocketTestSupport.h"
#include "support/EventLoop.h"
#include "support/LoopbackPeer.h"

#include <gtest/gtest.h>

using testing_support::failureOf;
using testing_support::PortHolder;
using testing_support::ReservedPort; // bound but not listening: connections to it are refused
using testing_support::waitUntil;

namespace {

// Qt refuses a name with an empty label before it asks the resolver, so the look-up
// fails without a query leaving the machine; the reserved top-level domain makes sure.
constexpr const char* kUnresolvableName = "no..such.invalid";

class ConnectTest : public ::testing::Test {
protected:
    void SetUp() override { socket->setListener(&events); }

    // Every state the object shows while the event loop runs until it is connected.
    std::vector<std::int32_t> statesUntilConnected() {
        std::vector<std::int32_t> states{socket->State()};
        waitUntil([&] {
            if (socket->State() != states.back()) {
                states.push_back(socket->State());
            }
            return socket->State() == SocketState::Connected || !events.errors.empty();
        });
        return states;
    }

    // Waits for the one OnError the owner should hear and compares what it carried.
    void expectOneError(std::int16_t number, const std::string& description, const std::string& source) {
        ASSERT_TRUE(waitUntil([&] { return !events.errors.empty(); }));
        EXPECT_EQ(events.errors.size(), 1u);
        EXPECT_EQ(events.errors[0].number, number);
        EXPECT_EQ(events.errors[0].description, description);
        EXPECT_EQ(events.errors[0].source, source);
    }

    std::shared_ptr<CSocket> socket = CSocket::create();
    RecordingListener events;
    PortHolder listener;
};

TEST_F(ConnectTest, ADottedAddressGoesFromConnectingToConnected) {
    socket->Connect("127.0.0.1", listener.port());
    EXPECT_EQ(socket->RemoteHost(), "127.0.0.1");
    EXPECT_EQ(socket->RemotePort(), listener.port());
    EXPECT_EQ(statesUntilConnected(), (std::vector<std::int32_t>{SocketState::Connecting, SocketState::Connected}));
    EXPECT_EQ(events.events, std::vector<std::string>{"Connect"});
    EXPECT_EQ(socket->RemoteHostIP(), ""); // this path leaves it alone
    EXPECT_EQ(socket->LocalIP(), "127.0.0.1");
    EXPECT_GT(socket->LocalPort(), 0);
}

TEST_F(ConnectTest, ANameIsLookedUpFirstAndGivesTheRemoteNameAndAddress) {
    socket->Connect("localhost", listener.port());
    const std::vector<std::int32_t> states = statesUntilConnected();
    ASSERT_EQ(states.front(), SocketState::ResolvingHost);
    ASSERT_EQ(states.back(), SocketState::Connected);
    EXPECT_TRUE(std::is_sorted(states.begin(), states.end())) << "states go 4, 5, 6, 7 in order";
    EXPECT_EQ(events.events, std::vector<std::string>{"Connect"});
    EXPECT_EQ(socket->RemoteHost(), "localhost");
    EXPECT_EQ(socket->RemoteHostIP(), "127.0.0.1");
}

TEST_F(ConnectTest, AFailedLookUpRaisesOnErrorAndKeepsTheSocket) {
    socket->Connect(kUnresolvableName, listener.port());
    EXPECT_EQ(socket->State(), SocketState::ResolvingHost);
    expectOneError(11001, "Host not found.", "CSocket.PostGetHostEvent");
    EXPECT_EQ(socket->State(), SocketState::Error);
    EXPECT_NE(socket->SocketHandle(), winsock::kInvalidSocket);
}

TEST_F(ConnectTest, AConnectThatFailsAfterTheLookUpLeavesTheHostResolved) {
    socket->Connect("127.0.0.1", listener.port());
    ASSERT_EQ(statesUntilConnected().back(), SocketState::Connected);
    socket->Connect("localhost"); // the socket is connected already
    expectOneError(10056, "Socket is already connected.", "CSocket.PostGetHostEvent");
    EXPECT_EQ(socket->State(), SocketState::HostResolved);
    EXPECT_NE(socket->SocketHandle(), winsock::kInvalidSocket);
}

TEST_F(ConnectTest, ARefusedConnectionRaisesOnErrorAndReleasesTheSocket) {
    ReservedPort refusing;
    socket->Connect("127.0.0.1", refusing.port());
    expectOneError(10061, "Connection refused.", "CSocket.PostSocketEvent");
    EXPECT_EQ(socket->State(), SocketState::Error);
    EXPECT_EQ(socket->SocketHandle(), winsock::kInvalidSocket);
}

TEST_F(ConnectTest, ConnectRefusesAMissingHostAndAPortOutOfRangeBeforeAnyLookUp) {
    struct Case {
        std::optional<std::string> host;
        std::int32_t port;
        std::int32_t number;
        std::string description;
    };
    const std::vector<Case> cases = {
        {std::nullopt, 80, 10049, "Cannot assign requested address."},
        {"127.0.0.1", 65536, kOverflowError, kOverflowDescription},
        {"localhost", 65536, kOverflowError, kOverflowDescription},
        {"localhost", -1, kOverflowError, kOverflowDescription},
    };
    for (const auto& [host, port, number, description] : cases) {
        SCOPED_TRACE(host.value_or("(none)") + ":" + std::to_string(port));
        socket->CloseSocket();
        const RuntimeError error = failureOf([&] { socket->Connect(host, port); });
        EXPECT_EQ(error.number(), number);
        EXPECT_EQ(error.description(), description);
        EXPECT_EQ(error.source(), "CSocket.Connect");
        EXPECT_NE(socket->State(), SocketState::ResolvingHost);
        EXPECT_EQ(MSocketSupport::PendingLookupCount(), 0u);
    }
}

// With or without another registered socket keeping the message window alive, the
// first look-up of a refused second Connect never reaches the object.
TEST_F(ConnectTest, ASecondLookUpIsRefusedAndTheFirstOneIsDropped) {
    for (const bool windowKeptAlive : {true, false}) {
        SCOPED_TRACE(windowKeptAlive);
        auto bystander = CSocket::create();
        if (windowKeptAlive) {
            bystander->Listen();
        }
        socket->CloseSocket();
        events.events.clear();
        socket->Connect(kUnresolvableName, listener.port());
        const RuntimeError error = failureOf([&] { socket->Connect("localhost"); });
        EXPECT_EQ(error.number(), 10037);
        EXPECT_EQ(error.description(), "Operation already in progress.");
        EXPECT_EQ(error.source(), "CSocket.Connect");
        EXPECT_EQ(socket->State(), SocketState::ResolvingHost);
        EXPECT_EQ(socket->SocketHandle(), winsock::kInvalidSocket);

        ASSERT_TRUE(waitUntil([] { return MSocketSupport::PendingLookupCount() == 0; }));
        socket->Connect("localhost", listener.port()); // a new look-up is taken at once
        EXPECT_EQ(statesUntilConnected().back(), SocketState::Connected);
        EXPECT_EQ(events.events, std::vector<std::string>{"Connect"});
    }
}

TEST_F(ConnectTest, ClosingWhileTheNameIsLookedUpDropsTheLookUp) {
    socket->Connect("localhost", listener.port());
    socket->CloseSocket();
    EXPECT_EQ(socket->State(), SocketState::Closed);
    socket->Connect("127.0.0.1", listener.port());
    ASSERT_EQ(statesUntilConnected().back(), SocketState::Connected);
    ASSERT_TRUE(waitUntil([] { return MSocketSupport::PendingLookupCount() == 0; }));
    EXPECT_EQ(events.events, std::vector<std::string>{"Connect"});
    EXPECT_EQ(socket->State(), SocketState::Connected);
    EXPECT_EQ(socket->RemoteHostIP(), "");
}

// A look-up the object did not start through its own Connect or send changes
// nothing, whether it succeeds or fails.
TEST_F(ConnectTest, ALookUpTheObjectIsNotWaitingForChangesNothing) {
    socket->Listen();
    for (const char* name : {"localhost", kUnresolvableName}) {
        SCOPED_TRACE(name);
        ASSERT_NE(MSocketSupport::ResolveHost(name, *socket), 0);
        ASSERT_TRUE(waitUntil([] { return MSocketSupport::PendingLookupCount() == 0; }));
        EXPECT_EQ(socket->State(), SocketState::Listening);
        EXPECT_EQ(socket->RemoteHost(), "");
        EXPECT_TRUE(events.events.empty());
    }
}

} // namespace
