// The connection state as the kernel's routing table gives it. Each test runs in a network
// namespace of its own holding loopback alone (tests/e2e/private-network), where it adds routes.
#include "ConnectionState.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <net/if.h>

namespace {

class ConnectionStateTest : public testing::Test {
protected:
    // Routes are only ever added in a namespace whose one device is loopback, never on the host.
    void SetUp() override {
        struct if_nameindex* devices = if_nameindex();
        const bool loopbackAlone = devices != nullptr && devices[0].if_name != nullptr &&
                                   std::string(devices[0].if_name) == "lo" && devices[1].if_name == nullptr;
        if_freenameindex(devices);
        if (!loopbackAlone) {
            GTEST_SKIP() << "runs only inside tests/e2e/private-network";
        }
    }

    // ip ARGUMENTS...: whether the route command succeeded.
    static bool ip(const QStringList& arguments) { return QProcess::execute(QStringLiteral("ip"), arguments) == 0; }

    ConnectionState state;
};

TEST_F(ConnectionStateTest, WithoutADefaultRouteNoConnectionFlagIsSet) {
    EXPECT_EQ(state.connectedFlags(), 0u);
}

TEST_F(ConnectionStateTest, AnIPv4DefaultRouteIsALanConnection) {
    ASSERT_TRUE(ip({"route", "add", "default", "dev", "lo"}));
    EXPECT_EQ(state.connectedFlags(), INTERNET_CONNECTION_LAN);
}

TEST_F(ConnectionStateTest, AnIPv6DefaultRouteAloneIsALanConnection) {
    if (!ip({"-6", "route", "add", "default", "dev", "lo"})) {
        GTEST_SKIP() << "IPv6 is switched off here";
    }
    EXPECT_EQ(state.connectedFlags(), INTERNET_CONNECTION_LAN);
}

TEST_F(ConnectionStateTest, ADefaultRouteThatSendsNothingIsNoConnection) {
    ASSERT_TRUE(ip({"route", "add", "blackhole", "default"}));
    ASSERT_TRUE(ip({"route", "add", "unreachable", "default", "table", "100"}));
    EXPECT_EQ(state.connectedFlags(), 0u);
}

} // namespace
