#include "FixedAddressTable.h"
#include "FixedConnectionState.h"
#include "LoopbackHttpServer.h"
#include "Module2.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

using Rows = std::vector<Ipv4Address>;

constexpr Ipv4Address kLoopback{127, 0, 0, 1};
constexpr Ipv4Address kNone{0, 0, 0, 0};
constexpr Ipv4Address kHomeLan{192, 168, 1, 10};
constexpr Ipv4Address kOfficeLan{10, 0, 0, 5};
constexpr Ipv4Address kPublic{203, 0, 113, 7};

const FixedConnectionState kOffline(INTERNET_CONNECTION_OFFLINE);
const FixedConnectionState kOnline(INTERNET_CONNECTION_LAN);

TEST(AddressToTextTest, WritesEachByteInMemoryOrderWithoutLeadingZeros) {
    EXPECT_EQ(Module2::AddressToText(kHomeLan), "192.168.1.10");
    EXPECT_EQ(Module2::AddressToText(kNone), "0.0.0.0");
    EXPECT_EQ(Module2::AddressToText(Ipv4Address{255, 255, 255, 255}), "255.255.255.255");
    EXPECT_EQ(Module2::AddressToText(Ipv4Address{1, 20, 100, 7}), "1.20.100.7");
}

TEST(IsValidIPAddressTest, AcceptsFourDecimalPartsBelow256) {
    for (const char* valid : {"192.168.1.10", "0.0.0.0", "255.255.255.255", "010.001.000.0255"}) {
        EXPECT_TRUE(Module2::IsValidIPAddress(valid)) << valid;
    }
    for (const char* invalid : {"", "1.2.3", "1.2.3.4.5", "1..3.4", "1.2.3.", "256.1.1.1", "1.2.3.-4", "a.b.c.d",
                                " 1.2.3.4", "1.2.3.4\r", "1.2.3.99999999999999999999"}) {
        EXPECT_FALSE(Module2::IsValidIPAddress(invalid)) << invalid;
    }
}

TEST(IsPublicAddressTest, OnlyTheListedPrefixesAndLoopbackArePrivate) {
    for (const char* privateAddress : {"192.168.0.1", "172.16.5.5", "10.1.2.3", "127.0.0.1"}) {
        EXPECT_FALSE(Module2::IsPublicAddress(privateAddress)) << privateAddress;
    }
    for (const char* publicAddress : {"203.0.113.7", "172.17.0.1", "101.0.0.1", "127.0.0.2", "0.0.0.0"}) {
        EXPECT_TRUE(Module2::IsPublicAddress(publicAddress)) << publicAddress;
    }
}

TEST(GetIPAddressListTest, ListsEveryRowInTableOrderJoinedByCrLf) {
    EXPECT_EQ(Module2::GetIPAddressList(FixedAddressTable({})), "");
    EXPECT_EQ(Module2::GetIPAddressList(FixedAddressTable({kHomeLan})), "192.168.1.10");
    EXPECT_EQ(Module2::GetIPAddressList(FixedAddressTable({kLoopback, kNone, kHomeLan})),
              "127.0.0.1\r\n0.0.0.0\r\n192.168.1.10");

    Rows many;
    std::string expected;
    for (std::uint8_t host = 1; host <= 9; ++host) {
        many.push_back({10, 0, 0, host});
        expected += (host == 1 ? "" : "\r\n") + std::string("10.0.0.") + std::to_string(host);
    }
    EXPECT_EQ(Module2::GetIPAddressList(FixedAddressTable(many)), expected);
}

TEST(GetIPAddressListTest, TheComputersOwnTableHoldsLoopback) {
    const std::string list = Module2::GetIPAddressList();
    EXPECT_TRUE(QString::fromStdString(list).split("\r\n").contains("127.0.0.1")) << list;
}

struct ChoiceCase {
    const char* name;
    Rows rows;
    std::optional<std::string> pageLine; // what the page states after "Address:"; none: not connected
    std::string expected;
};

// Answers GetLocalIPAddress for the case, serving the page from loopback when connected.
std::string chooseFor(const ChoiceCase& choice) {
    const FixedAddressTable table(choice.rows);
    if (!choice.pageLine) {
        return Module2::GetLocalIPAddress(table, kOffline, "http://127.0.0.1:1/");
    }
    const LoopbackHttpServer page("Current IP Address: " + *choice.pageLine + "\n");
    return Module2::GetLocalIPAddress(table, kOnline, page.pageAddress());
}

TEST(GetLocalIPAddressTest, ChoosesTheFirstUsableAddressUnlessALaterOneIsThePublicOne) {
    const std::vector<ChoiceCase> cases = {
        {"loopback gives way to a later address", {kLoopback, kHomeLan}, std::nullopt, "192.168.1.10"},
        {"a later loopback does not take over", {kHomeLan, kLoopback}, std::nullopt, "192.168.1.10"},
        {"loopback alone stays", {kLoopback}, std::nullopt, "127.0.0.1"},
        {"loopback gives way past 0.0.0.0 and other loopbacks",
         {kLoopback, {127, 0, 1, 1}, kNone, kOfficeLan},
         std::nullopt,
         "10.0.0.5"},
        {"0.0.0.0 is never the first choice", {kNone, kOfficeLan}, std::nullopt, "10.0.0.5"},
        {"only 0.0.0.0 gives nothing", {kNone}, std::nullopt, ""},
        {"no rows give nothing", {}, std::nullopt, ""},
        {"the public address wins", {kHomeLan, kPublic}, "203.0.113.7", "203.0.113.7"},
        {"the public address wins over loopback",
         {kLoopback, {198, 51, 100, 9}, kPublic},
         "203.0.113.7",
         "203.0.113.7"},
        {"not connected: first address", {kHomeLan, kPublic}, std::nullopt, "192.168.1.10"},
        {"a different public address: first address", {kHomeLan, kPublic}, "198.51.100.1", "192.168.1.10"},
        {"a carriage return matches no address", {kHomeLan, kPublic}, "203.0.113.7\r", "192.168.1.10"},
        {"172.20 is first whatever the public address", {{172, 20, 0, 3}, kHomeLan}, "192.168.1.10", "172.20.0.3"},
        {"a private public address is not matched", {kOfficeLan, kHomeLan}, "192.168.1.10", "10.0.0.5"},
        {"a page claiming 0.0.0.0 does not choose it", {kNone}, "0.0.0.0", ""},
    };
    for (const ChoiceCase& choice : cases) {
        SCOPED_TRACE(choice.name);
        EXPECT_EQ(chooseFor(choice), choice.expected);
    }
}

TEST(GetLocalIPAddressTest, AnEmptyTableStillAsksThePageWhenConnected) {
    const LoopbackHttpServer page(std::string("Address: 203.0.113.7\n"));
    EXPECT_EQ(Module2::GetLocalIPAddress(FixedAddressTable({}), kOnline, page.pageAddress()), "");
    EXPECT_EQ(page.connectionCount(), 1);
}

TEST(GetLocalIPAddressTest, AnUnreachablePageLeavesTheChoiceToTheTable) {
    LoopbackSocket closedPort;
    EXPECT_EQ(Module2::GetLocalIPAddress(FixedAddressTable({kHomeLan, kPublic}), kOnline, closedPort.pageAddress()),
              "192.168.1.10");
}

} // namespace
