#include "CSocket.h"
#include "MSocketSupport.h"
#include "RecordingListener.h"
#include "RuntimeError.h"
#include "SocketTestSupport.h"
#include "support/EventLoop.h"
#include "support/LoopbackPeer.h"

#include <gtest/gtest.h>
#include <limits>

using testing_support::boundPort;
using testing_support::failureOf;
using testing_support::LoopbackPeer;
using testing_support::PortHolder;
using testing_support::processPendingEvents;
using testing_support::waitUntil;
using namespace std::chrono_literals;

namespace {

// A listening object and, once a station connects, a second object that accepted it.
class ConnectedPairTest : public ::testing::Test {
protected:
    void SetUp() override {
        server->setListener(&serverEvents);
        serverEvents.onConnectionRequest = [this](std::int32_t requestID) {
            connection->setListener(&events);
            connection->Accept(requestID);
        };
        server->Listen();
        station = LoopbackPeer::connectTo(boundPort(*server));
        ASSERT_NE(station, nullptr);
        ASSERT_TRUE(waitUntil([&] { return connection->State() == SocketState::Connected; }));
    }

    std::shared_ptr<CSocket> server = CSocket::create();
    std::shared_ptr<CSocket> connection = CSocket::create();
    RecordingListener serverEvents;
    RecordingListener events;
    std::unique_ptr<LoopbackPeer> station;
};

TEST_F(ConnectedPairTest, AcceptTakesTheAddressesOfBothEnds) {
    EXPECT_EQ(connection->RemoteHostIP(), "127.0.0.1");
    EXPECT_EQ(connection->RemoteHost(), "127.0.0.1");
    EXPECT_GT(connection->RemotePort(), 0);
    EXPECT_EQ(connection->LocalPort(), boundPort(*server));
    EXPECT_EQ(connection->LocalIP(), "127.0.0.1");
    EXPECT_EQ(connection->LocalHostName(), "127.0.0.1");
    EXPECT_EQ(connection->Protocol(), 0);
    EXPECT_EQ(server->State(), SocketState::Listening); // the listener keeps listening
}

TEST_F(ConnectedPairTest, ValuesGoOutAsTheirBytes) {
    const std::vector<std::pair<Variant, std::string>> cases = {
        {std::int32_t{1}, std::string("\x01\x00\x00\x00", 4)},
        {true, "\xFF\xFF"},
        {false, std::string("\x00\x00", 2)},
        {std::int16_t{-2}, "\xFE\xFF"},
        {std::uint8_t{0x41}, "A"},
        {ByteArray{0x00, 0x7F, 0xFF}, std::string("\x00\x7F\xFF", 3)},
        {Currency{12345}, std::string("\x39\x30\x00\x00\x00\x00\x00\x00", 8)},
        {1.0, std::string("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8)},
        {std::string("time"), "time"},
    };
    std::string expected;
    for (const auto& [value, bytes] : cases) {
        const int completes = events.count("SendComplete");
        connection->SendData(value);
        ASSERT_TRUE(waitUntil([&] { return events.count("SendComplete") == completes + 1; }));
        expected += bytes;
    }
    ASSERT_TRUE(station->waitForBytes(expected.size()));
    EXPECT_EQ(station->received(), expected);
    EXPECT_EQ(connection->m_lngTotalBytesSent, static_cast<std::int32_t>(expected.size()));
}

TEST_F(ConnectedPairTest, AValueWithNoBytesIsRefusedAndNothingIsSent) {
    for (const Variant& empty : {Variant{}, Variant{std::string()}, Variant{ByteArray{}}}) {
        const RuntimeError error = failureOf([&] { connection->SendData(empty); });
        EXPECT_EQ(error.number(), 10022);
        EXPECT_EQ(error.description(), "Invalid argument.");
        EXPECT_EQ(error.source(), "CSocket.SendData");
    }
    EXPECT_TRUE(events.events.empty());
}

TEST_F(ConnectedPairTest, ALargeValueWaitsForTheStationAndASecondValueReplacesItsUnsentRest) {
    const std::string large(32 * 1024 * 1024, 'x'); // far more than the socket buffers hold
    connection->SendData(large);
    ASSERT_EQ(events.progress.size(), 1u);
    const auto [sent, remaining] = events.progress[0];
    ASSERT_GT(remaining, 0) << "the kernel took the whole value at once";
    EXPECT_EQ(sent + remaining, static_cast<std::int32_t>(large.size()));

    connection->SendData(std::string("END"));
    ASSERT_TRUE(waitUntil(
        [&] {
            station->pump();
            return events.count("SendComplete") == 1;
        },
        20s));
    ASSERT_TRUE(station->waitForBytes(static_cast<std::size_t>(sent) + 3));
    EXPECT_EQ(station->received().size(), static_cast<std::size_t>(sent) + 3);
    EXPECT_EQ(station->received().substr(static_cast<std::size_t>(sent)), "END");
}

TEST_F(ConnectedPairTest, ThePeersCloseDeliversUnreadDataThenReleasesTheSocket) {
    connection->CloseSocket();
    EXPECT_EQ(connection->State(), SocketState::Closing);
    ASSERT_TRUE(station->waitForEnd()); // our sending side is shut
    station->send("bye");
    station->close();
    ASSERT_TRUE(waitUntil([&] { return events.count("Close") == 1; }));
    EXPECT_EQ(events.events, (std::vector<std::string>{"DataArrival", "Close"}));
    EXPECT_EQ(connection->State(), SocketState::Closed);
    EXPECT_EQ(connection->SocketHandle(), winsock::kInvalidSocket);
    Variant value = std::string("untouched");
    connection->GetData(value); // the unread bytes went with the socket
    EXPECT_EQ(std::get<std::string>(value), "untouched");
}

TEST_F(ConnectedPairTest, AnErrorNotificationWithTheTopBitSetIsNeverANegativeNumber) {
    const auto lParam = static_cast<win::LParam>(0x80000000u | winsock::kFdWrite);
    win::postMessage(MSocketSupport::MessageWindow(), MSocketSupport::WinsockMessage(),
                     static_cast<win::WParam>(connection->SocketHandle()), lParam);
    ASSERT_TRUE(waitUntil([&] { return connection->State() == SocketState::Error; }));
    EXPECT_EQ(connection->SocketHandle(), winsock::kInvalidSocket);
}

// A reset whose clean-up fails as well: the owner hears the reset first, then the failed close.
TEST_F(ConnectedPairTest, AnErrorNotificationKeepsItsOwnErrorWhenTheCleanUpFails) {
    const winsock::Socket handle = connection->SocketHandle();
    ASSERT_FALSE(winsock::closeSocket(handle).failed()); // the clean-up's close finds no socket
    const auto lParam = static_cast<win::LParam>((winsock::kWsaEConnectionReset << 16) | winsock::kFdRead);
    win::postMessage(MSocketSupport::MessageWindow(), MSocketSupport::WinsockMessage(),
                     static_cast<win::WParam>(handle), lParam);
    ASSERT_TRUE(waitUntil([&] { return events.count("Error") == 2; }));
    EXPECT_EQ(events.errors[0].number, winsock::kWsaEConnectionReset);
    EXPECT_EQ(events.errors[0].source, "CSocket.PostSocketEvent");
    EXPECT_EQ(events.errors[1].number, winsock::kWsaENotSocket);
    EXPECT_EQ(connection->State(), SocketState::Error);
}

// The reply goes out whole even when its count would pass the largest total, which stays put.
TEST_F(ConnectedPairTest, PastTheLargestSentTotalTheBytesStillGoOutAndTheTotalStays) {
    constexpr std::int32_t nearTheTop = std::numeric_limits<std::int32_t>::max() - 8;
    connection->m_lngTotalBytesSent = nearTheTop;
    const RuntimeError error = failureOf([&] { connection->SendData(std::string("202703010905")); });
    EXPECT_EQ(error.number(), kOverflowError);
    EXPECT_EQ(error.source(), "CSocket.SendData");
    ASSERT_TRUE(station->waitForBytes(12));
    EXPECT_EQ(station->received(), "202703010905");
    EXPECT_EQ(connection->m_lngTotalBytesSent, nearTheTop);
}

// The address comes from the accept itself: a station gone before the owner asks is still named.
TEST(CSocketTest, AcceptNamesAStationThatResetBeforeItWasTaken) {
    auto server = CSocket::create();
    auto connection = CSocket::create();
    RecordingListener serverEvents;
    std::unique_ptr<LoopbackPeer> station;
    std::string named;
    serverEvents.onConnectionRequest = [&](std::int32_t requestID) {
        station->reset();
        connection->Accept(requestID);
        named = connection->RemoteHostIP();
    };
    server->setListener(&serverEvents);
    server->Listen();
    station = LoopbackPeer::connectTo(boundPort(*server), testing_support::loopbackHost(9));
    ASSERT_NE(station, nullptr);
    ASSERT_TRUE(waitUntil([&] { return serverEvents.count("ConnectionRequest") == 1; }));
    EXPECT_EQ(named, "127.0.0.9");
}

TEST(CSocketTest, AFreshObjectCannotSend) {
    auto socket = CSocket::create();
    RecordingListener events;
    socket->setListener(&events);
    const RuntimeError error = failureOf([&] { socket->SendData(std::string("202603010905")); });
    EXPECT_EQ(error.number(), 40006);
    EXPECT_EQ(error.description(), "Wrong protocol or connection state for the requested transaction or request.");
    EXPECT_EQ(error.source(), "CSocket.SendData");
    processPendingEvents();
    EXPECT_TRUE(events.events.empty());
}

TEST(CSocketTest, ListeningOnAPortHeldElsewhereFailsWithoutChangingTheState) {
    PortHolder holder;
    auto socket = CSocket::create();
    socket->LocalPort(holder.port());
    const RuntimeError error = failureOf([&] { socket->Listen(); });
    EXPECT_EQ(error.number(), 10048);
    EXPECT_EQ(error.description(), "Address already in use.");
    EXPECT_EQ(error.source(), "CSocket.Listen");
    EXPECT_EQ(socket->State(), SocketState::Closed);
}

TEST(CSocketTest, BindRefusesALocalAddressThatIsNotDotted) {
    auto socket = CSocket::create();
    const RuntimeError error = failureOf([&] { socket->Bind(0, "not-an-address"); });
    EXPECT_EQ(error.number(), 10049);
    EXPECT_EQ(error.source(), "CSocket.Bind");
    socket->LocalPort(70000);
    EXPECT_EQ(failureOf([&] { socket->Bind(0, "127.0.0.1"); }).number(), kOverflowError);
}

TEST(CSocketTest, ClosingAListenerReleasesItAtOnceWithoutAnEvent) {
    auto socket = CSocket::create();
    RecordingListener events;
    socket->setListener(&events);
    socket->Listen();
    socket->CloseSocket();
    EXPECT_EQ(socket->State(), SocketState::Closed);
    EXPECT_EQ(socket->SocketHandle(), winsock::kInvalidSocket);
    socket->CloseSocket();
    EXPECT_EQ(socket->State(), SocketState::Closed);
    processPendingEvents();
    EXPECT_TRUE(events.events.empty());
}

TEST(CSocketTest, TheProtocolIsFixedWhileASocketExistsAndOnlyKnownValuesAreTaken) {
    auto socket = CSocket::create();
    socket->Protocol(5);
    EXPECT_EQ(socket->Protocol(), 0);
    socket->Listen();
    socket->Protocol(1);
    EXPECT_EQ(socket->Protocol(), 0);
    socket->CloseSocket();
    socket->Protocol(1);
    EXPECT_EQ(socket->Protocol(), 1);
}

TEST(CSocketTest, ReleasingOneObjectLeavesTheServiceRunningForTheOthers) {
    auto survivor = CSocket::create();
    CSocket::create().reset(); // created and destroyed while nothing is registered
    EXPECT_TRUE(MSocketSupport::IsStarted());
    survivor->Listen();
    EXPECT_EQ(survivor->State(), SocketState::Listening);
}

} // namespace
