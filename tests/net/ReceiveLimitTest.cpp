// A peer that sends more than the owner takes is held back by TCP flow control once
// the socket object holds its limit; nothing is lost.
#include "CSocket.h"
#include "RecordingListener.h"
#include "RuntimeError.h"
#include "support/EventLoop.h"
#include "support/LoopbackPeer.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <limits>

using testing_support::LoopbackPeer;
using testing_support::processPendingEvents;
using testing_support::waitUntil;
using namespace std::chrono_literals;

namespace {

constexpr auto kLimit = static_cast<std::int32_t>(CSocket::kReceiveLimit);

std::uint16_t boundPort(const CSocket& socket) {
    winsock::SocketAddressIn address;
    winsock::getSockName(socket.SocketHandle(), address);
    return winsock::networkToHost16(address.port);
}

// Far more than the object's limit and both kernels' socket buffers together.
std::string largeStream() {
    std::string stream(32 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < stream.size(); ++i) {
        stream[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
    }
    return stream;
}

// Once taking, takes everything in each data arrival, as an owner that wants the data does.
class TakingListener : public RecordingListener {
public:
    void take() {
        Variant value;
        socket->GetData(value);
        if (const auto* text = std::get_if<std::string>(&value)) {
            taken += *text;
        }
    }
    void OnDataArrival(std::int32_t bytesTotal) override {
        RecordingListener::OnDataArrival(bytesTotal);
        if (taking) {
            take();
        }
    }

    CSocket* socket = nullptr;
    bool taking = false;
    std::string taken;
};

class ReceiveLimitTest : public ::testing::Test {
protected:
    void SetUp() override {
        listener->setListener(&listenerEvents);
        listenerEvents.onConnectionRequest = [this](std::int32_t requestID) {
            connection->setListener(&events);
            connection->Accept(requestID);
        };
        events.socket = connection.get();
        listener->Listen();
        station = LoopbackPeer::connectTo(boundPort(*listener));
        ASSERT_NE(station, nullptr);
        ASSERT_TRUE(waitUntil([&] { return connection->State() == SocketState::Connected; }));
    }

    void sendWhatFits() { sent += station->sendSome(std::string_view(stream).substr(sent)); }

    // Spins until the object holds its limit and the station can send nothing more.
    bool streamUntilHeld() {
        return waitUntil(
            [&] {
                sendWhatFits();
                return connection->BytesReceived() == kLimit &&
                       station->sendSome(std::string_view(stream).substr(sent, 1)) == 0;
            },
            20s);
    }

    // The station sends the rest and closes while the owner takes everything.
    bool sendTheRestAndClose() {
        return waitUntil(
            [&] {
                sendWhatFits();
                if (sent == stream.size()) {
                    station->close();
                }
                return events.count("Close") == 1;
            },
            60s);
    }

    std::shared_ptr<CSocket> listener = CSocket::create();
    std::shared_ptr<CSocket> connection = CSocket::create();
    RecordingListener listenerEvents;
    TakingListener events;
    std::unique_ptr<LoopbackPeer> station;
    const std::string stream = largeStream();
    std::size_t sent = 0;
};

TEST_F(ReceiveLimitTest, AnOwnerThatTakesNothingHoldsTheLimitAndTheStationIsHeldBack) {
    ASSERT_TRUE(streamUntilHeld()) << "the object holds " << connection->BytesReceived() << " bytes";
    EXPECT_LT(sent, stream.size()) << "the station was never held back";
    processPendingEvents(); // nothing more is read while nothing is taken
    EXPECT_EQ(connection->BytesReceived(), kLimit);
    EXPECT_EQ(*std::max_element(events.arrivals.begin(), events.arrivals.end()), kLimit);
    EXPECT_EQ(connection->State(), SocketState::Connected);
}

TEST_F(ReceiveLimitTest, TakingDataResumesReadingAndEveryByteArrivesInOrderBeforeTheClose) {
    ASSERT_TRUE(streamUntilHeld()) << "the object holds " << connection->BytesReceived() << " bytes";
    events.taking = true;
    events.take(); // makes room: reading resumes from the message loop
    ASSERT_TRUE(sendTheRestAndClose());
    EXPECT_EQ(events.taken.size(), stream.size());
    EXPECT_TRUE(events.taken == stream) << "the bytes came out changed or out of order";
    EXPECT_LE(*std::max_element(events.arrivals.begin(), events.arrivals.end()), kLimit);
    EXPECT_EQ(events.count("Error"), 0);
}

// Found by fuzzing GetData on one long-lived object: taking in pieces adds what is left each
// time, so the running total grows fast and meets the overflow error, which it never passes.
TEST_F(ReceiveLimitTest, TakingInPiecesAddsWhatIsLeftEachTimeUntilTheTotalWouldOverflow) {
    station->send("abcdef");
    ASSERT_TRUE(waitUntil([&] { return connection->BytesReceived() == 6; }));
    std::vector<std::int32_t> totals;
    for (int piece = 0; piece < 3; ++piece) {
        Variant value;
        connection->GetData(value, VariantType::kString, 2);
        totals.push_back(connection->m_lngTotalBytesReceived);
    }
    EXPECT_EQ(totals, (std::vector<std::int32_t>{4, 6, 6}));

    connection->m_lngTotalBytesReceived = std::numeric_limits<std::int32_t>::max() - 1;
    station->send("xyz");
    ASSERT_TRUE(waitUntil([&] { return connection->BytesReceived() == 3; }));
    Variant value;
    try {
        connection->GetData(value, VariantType::kString, 1);
        ADD_FAILURE() << "no error was raised";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), kOverflowError);
        EXPECT_EQ(error.source(), "CSocket.GetData");
    }
    EXPECT_EQ(connection->m_lngTotalBytesReceived, std::numeric_limits<std::int32_t>::max() - 1);
}

} // namespace
