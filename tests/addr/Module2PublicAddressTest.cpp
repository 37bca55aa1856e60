#include "FixedConnectionState.h"
#include "LoopbackHttpServer.h"
#include "Module2.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

namespace {

const FixedConnectionState kOnline(INTERNET_CONNECTION_LAN);

TEST(IsInternetConnectedTest, AConnectionKindCountsUnlessOfflineOrBusy) {
    const struct {
        std::optional<std::uint32_t> flags;
        bool connected;
    } cases[] = {
        {std::nullopt, false},
        {0, false},
        {16, false},
        {INTERNET_CONNECTION_LAN, true},
        {INTERNET_CONNECTION_PROXY, true},
        {INTERNET_CONNECTION_MODEM, true},
        {INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_MODEM, true},
        {INTERNET_CONNECTION_LAN | 16, true},
        {INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_OFFLINE, false},
        {INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_MODEM_BUSY, false},
        {INTERNET_CONNECTION_PROXY | INTERNET_CONNECTION_OFFLINE, false},
    };
    for (const auto& state : cases) {
        SCOPED_TRACE(state.flags ? std::to_string(*state.flags) : "cannot tell");
        EXPECT_EQ(Module2::IsInternetConnected(FixedConnectionState(state.flags)), state.connected);
    }
}

TEST(IsInternetConnectedTest, OnlyADefaultRouteIsConnected) {
    EXPECT_FALSE(Module2::IsInternetConnected(FixedConnectionState(ConnectionState::flagsFor(std::nullopt))));
    EXPECT_FALSE(Module2::IsInternetConnected(FixedConnectionState(ConnectionState::flagsFor(false))));
    EXPECT_TRUE(Module2::IsInternetConnected(FixedConnectionState(ConnectionState::flagsFor(true))));
}

TEST(GetPublicIPAddressTest, CutsTheAddressAfterTheMarkerFromTheFirst250Bytes) {
    const std::string junk("\0\x01\xfe\xff\r\n<html>", 13);
    const struct {
        const char* name;
        std::string body;
        std::string expected;
    } cases[] = {
        {"marker, blank, address, line feed", "Address: 203.0.113.7\n", "203.0.113.7"},
        {"marker in lower case", "current ip address: 203.0.113.7\n", "203.0.113.7"},
        {"blanks trimmed, rest of the page ignored", "IP Address:   203.0.113.7   \nAddress: 1.1.1.1\n", "203.0.113.7"},
        {"carriage return stays", "Address: 203.0.113.7\r\n", "203.0.113.7\r"},
        {"binary junk before the marker", junk + "Address: 203.0.113.7\n", "203.0.113.7"},
        {"binary junk alone", junk + junk, ""},
        {"empty body", "", ""},
        {"no marker", "203.0.113.7\n", ""},
        {"no line feed after the marker", "Address: 203.0.113.7", ""},
        {"marker past byte 250", std::string(250, 'x') + "Address: 203.0.113.7\n", ""},
        {"line feed past byte 250", std::string(230, 'x') + "Address: 203.0.113.7\n", ""},
        {"body far longer than 250 bytes", "Address: 203.0.113.7\n" + std::string(200000, 'y'), "203.0.113.7"},
    };
    for (const auto& page : cases) {
        SCOPED_TRACE(page.name);
        const LoopbackHttpServer server(page.body);
        EXPECT_EQ(Module2::GetPublicIPAddress(kOnline, server.pageAddress()), page.expected);
    }
}

TEST(GetPublicIPAddressTest, SendsOnePlainGetOfTheRootPage) {
    const LoopbackHttpServer server(std::string("Address: 203.0.113.7\n"));
    Module2::GetPublicIPAddress(kOnline, server.pageAddress());
    EXPECT_EQ(server.connectionCount(), 1);
    EXPECT_TRUE(server.firstRequest().starts_with("GET / HTTP/1.1\r\n")) << server.firstRequest();
}

TEST(GetPublicIPAddressTest, MakesNoRequestWhenNotConnected) {
    const LoopbackHttpServer server(std::string("Address: 203.0.113.7\n"));
    for (const auto flags :
         {std::optional<std::uint32_t>(), std::optional<std::uint32_t>(INTERNET_CONNECTION_OFFLINE)}) {
        EXPECT_EQ(Module2::GetPublicIPAddress(FixedConnectionState(flags), server.pageAddress()), "");
    }
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST(GetPublicIPAddressTest, ARefusedConnectionGivesNothing) {
    LoopbackSocket closedPort;
    EXPECT_EQ(Module2::GetPublicIPAddress(kOnline, closedPort.pageAddress()), "");
}

TEST(GetPublicIPAddressTest, APageThatNeverAnswersGivesNothingOnceTheBoundPasses) {
    const LoopbackHttpServer server(std::nullopt);
    EXPECT_EQ(Module2::GetPublicIPAddress(kOnline, server.pageAddress()), "");
    EXPECT_TRUE(testing_support::waitUntil([&server] { return server.connectionCount() == 1; }));
}

} // namespace
