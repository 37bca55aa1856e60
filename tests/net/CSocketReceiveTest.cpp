// Taking received bytes out of a socket object as values of a chosen kind.
#include "CSocket.h"
#include "RecordingListener.h"
#include "RuntimeError.h"
#include "SocketTestSupport.h"
#include "UdpPeer.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using testing_support::boundPort;
using testing_support::failureOf;
using testing_support::UdpPeer;
using testing_support::waitUntil;

namespace {

const std::string kTenCharacters = "0123456789";

template <typename T> std::string bytesOf(T value) {
    std::string bytes(sizeof(T), '\0');
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

// A UDP object on 127.0.0.1 whose receive buffer is filled by datagrams from a peer.
class ReceiveBufferTest : public ::testing::Test {
protected:
    void SetUp() override {
        socket->Protocol(1);
        socket->setListener(&events);
        socket->Bind(0, "127.0.0.1");
    }

    // Sends the bytes as one datagram and waits until the object has read them.
    void receive(const std::string& bytes) {
        const std::size_t arrivals = events.arrivals.size();
        ASSERT_TRUE(sender.sendTo(boundPort(*socket), bytes));
        ASSERT_TRUE(waitUntil([&] { return events.arrivals.size() > arrivals; }));
    }

    std::string takeAll() {
        Variant value;
        socket->GetData(value);
        return value.index() == 0 ? std::string() : std::get<std::string>(value);
    }

    std::shared_ptr<CSocket> socket = CSocket::create();
    RecordingListener events;
    UdpPeer sender;
};

TEST_F(ReceiveBufferTest, TakingTheWholeTextEmptiesTheBufferAndAddsWhatIsLeft) {
    receive("abc");
    EXPECT_EQ(events.arrivals, std::vector<std::int32_t>{3});
    Variant value;
    socket->GetData(value);
    EXPECT_EQ(std::get<std::string>(value), "abc");
    EXPECT_EQ(socket->BytesReceived(), 0);
    EXPECT_EQ(socket->m_lngTotalBytesReceived, 0);

    value = std::int32_t{42}; // an empty buffer leaves the value and the counters alone
    socket->GetData(value);
    socket->PeekData(value);
    EXPECT_EQ(std::get<std::int32_t>(value), 42);
    EXPECT_EQ(socket->BytesReceived(), 0);
    EXPECT_EQ(socket->m_lngTotalBytesReceived, 0);
}

TEST_F(ReceiveBufferTest, PeekingLeavesTheBufferAndAddsItsLengthEveryTime) {
    receive(kTenCharacters);
    for (const std::int32_t total : {10, 20}) {
        Variant value;
        socket->PeekData(value);
        EXPECT_EQ(std::get<std::string>(value), kTenCharacters);
        EXPECT_EQ(socket->BytesReceived(), 10);
        EXPECT_EQ(socket->m_lngTotalBytesReceived, total);
    }
    Variant prefix;
    socket->PeekData(prefix, VariantType::kString, 3);
    EXPECT_EQ(std::get<std::string>(prefix), "012");
    EXPECT_EQ(takeAll(), kTenCharacters);
    EXPECT_EQ(socket->m_lngTotalBytesReceived, 30);
}

TEST_F(ReceiveBufferTest, AMaximumLengthTakesAPrefixOnlyWhenItFitsTheBuffer) {
    struct Case {
        std::optional<std::int32_t> maxLen;
        std::string taken;
    };
    const std::vector<Case> cases = {
        {4, "0123"},         {10, kTenCharacters}, {20, kTenCharacters},
        {0, kTenCharacters}, {-1, kTenCharacters}, {{}, kTenCharacters},
    };
    for (const auto& [maxLen, taken] : cases) {
        SCOPED_TRACE(maxLen.value_or(999));
        receive(kTenCharacters);
        const std::int32_t totalBefore = socket->m_lngTotalBytesReceived;
        Variant value;
        socket->GetData(value, {}, maxLen);
        EXPECT_EQ(std::get<std::string>(value), taken);
        const auto left = static_cast<std::int32_t>(kTenCharacters.size() - taken.size());
        EXPECT_EQ(socket->BytesReceived(), left);
        EXPECT_EQ(socket->m_lngTotalBytesReceived, totalBefore + left);
        EXPECT_EQ(takeAll(), kTenCharacters.substr(taken.size()));
    }
}

TEST_F(ReceiveBufferTest, EachKindIsReadFromTheFrontOfTheTakenBytes) {
    struct Case {
        std::int32_t varType;
        std::string bytes;
        Variant expected;
    };
    const std::vector<Case> cases = {
        {VariantType::kLong, std::string("\x01\x00\x00\x00", 4), std::int32_t{1}},
        {VariantType::kLong, std::string("\x01\x00\x00\x00\xFF\xFF", 6), std::int32_t{1}}, // the rest is discarded
        {VariantType::kInteger, "\xFE\xFF", std::int16_t{-2}},
        {VariantType::kByte, "AB", std::uint8_t{0x41}},
        {VariantType::kBoolean, "\xFF\xFF", true},
        {VariantType::kBoolean, std::string("\x00\x00", 2), false},
        {VariantType::kSingle, bytesOf(1.5f), 1.5f},
        {VariantType::kDouble, bytesOf(-2.25), -2.25},
        {VariantType::kCurrency, bytesOf(std::int64_t{123456}), Currency{123456}},
        {VariantType::kDate, bytesOf(46082.375), Date{46082.375}},
        {VariantType::kString, "text", std::string("text")},
        {VariantType::kByteArray, std::string("\x00\x7F\xFF", 3), ByteArray{0x00, 0x7F, 0xFF}},
    };
    for (const auto& [varType, bytes, expected] : cases) {
        SCOPED_TRACE(varType);
        receive(bytes);
        Variant value;
        socket->GetData(value, varType);
        EXPECT_EQ(value, expected);
        EXPECT_EQ(socket->BytesReceived(), 0);
    }
}

TEST_F(ReceiveBufferTest, AKindWithoutEnoughTakenBytesOrAnUnknownKindLeavesTheValue) {
    receive(std::string("\x01\x00\x00\x00", 4));
    Variant value = std::string("untouched");
    socket->GetData(value, VariantType::kLong, 2); // only two bytes are taken
    EXPECT_EQ(std::get<std::string>(value), "untouched");
    EXPECT_EQ(socket->BytesReceived(), 2);
    EXPECT_EQ(socket->m_lngTotalBytesReceived, 2);

    socket->GetData(value, 99); // the bytes are taken all the same
    EXPECT_EQ(std::get<std::string>(value), "untouched");
    EXPECT_EQ(socket->BytesReceived(), 0);
}

TEST_F(ReceiveBufferTest, TheRunningTotalNeverWraps) {
    receive(kTenCharacters);
    const std::int32_t nearlyFull = std::numeric_limits<std::int32_t>::max() - 5;
    socket->m_lngTotalBytesReceived = nearlyFull;
    Variant value;
    const RuntimeError peeked = failureOf([&] { socket->PeekData(value); });
    EXPECT_EQ(peeked.number(), kOverflowError);
    EXPECT_EQ(peeked.source(), "CSocket.PeekData");
    const RuntimeError taken = failureOf([&] { socket->GetData(value, {}, 4); });
    EXPECT_EQ(taken.number(), kOverflowError);
    EXPECT_EQ(taken.source(), "CSocket.GetData");
    EXPECT_EQ(socket->m_lngTotalBytesReceived, nearlyFull);
}

} // namespace
