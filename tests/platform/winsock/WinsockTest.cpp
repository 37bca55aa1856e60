#include "Winsock.h"

#include "support/EventLoop.h"
#include "support/LoopbackPeer.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <vector>

using testing_support::LoopbackPeer;
using testing_support::processPendingEvents;
using testing_support::waitUntil;
using namespace std::chrono_literals;

namespace {

struct Notification {
    winsock::Socket socket;
    std::int32_t event;
    std::int32_t error;
};

std::vector<Notification> g_notifications;

win::LParam notificationProc(win::WindowHandle, win::MessageId, win::WParam wParam, win::LParam lParam) {
    const auto bits = static_cast<std::uint32_t>(lParam);
    g_notifications.push_back({static_cast<winsock::Socket>(wParam), static_cast<std::int32_t>(bits & 0xFFFF),
                               static_cast<std::int32_t>(bits >> 16)});
    return 0;
}

constexpr std::int32_t kAllEvents = 59;

class WinsockTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_notifications.clear();
        winsock::StartupData data;
        ASSERT_EQ(winsock::startup(0x0101, data), 0);
        window = win::createWindow("SOCKET_WINDOW");
        win::setWindowProc(window, &notificationProc);
    }
    void TearDown() override {
        for (const winsock::Socket socket : opened) {
            winsock::closeSocket(socket);
        }
        win::destroyWindow(window);
        winsock::cleanup();
    }

    winsock::Socket open(int type = winsock::kSockStream) {
        const winsock::Socket socket = winsock::socket(winsock::kAfInet, type, 0);
        opened.push_back(socket);
        return socket;
    }
    void select(winsock::Socket socket) { ASSERT_EQ(winsock::asyncSelect(socket, window, kMessage, kAllEvents), 0); }
    static winsock::SocketAddressIn loopback(std::uint16_t port) {
        winsock::SocketAddressIn address;
        address.address = winsock::inetAddr("127.0.0.1");
        address.port = winsock::hostToNetwork16(port);
        return address;
    }
    std::uint16_t listenOnEphemeralPort(winsock::Socket socket) {
        winsock::bind(socket, loopback(0));
        winsock::listen(socket, 5);
        winsock::SocketAddressIn bound;
        winsock::getSockName(socket, bound);
        return winsock::networkToHost16(bound.port);
    }
    int count(winsock::Socket socket, std::int32_t event) const {
        int n = 0;
        for (const auto& notification : g_notifications) {
            n += notification.socket == socket && notification.event == event ? 1 : 0;
        }
        return n;
    }
    const Notification* find(winsock::Socket socket, std::int32_t event) const {
        for (const auto& notification : g_notifications) {
            if (notification.socket == socket && notification.event == event) {
                return &notification;
            }
        }
        return nullptr;
    }
    // A listening socket and a selected socket accepted from it, with its station.
    winsock::Socket acceptStation(std::unique_ptr<LoopbackPeer>& station) {
        const winsock::Socket listener = open();
        const std::uint16_t port = listenOnEphemeralPort(listener);
        select(listener);
        station = LoopbackPeer::connectTo(port);
        EXPECT_TRUE(waitUntil([&] { return count(listener, winsock::kFdAccept) == 1; }));
        const winsock::Socket accepted = winsock::accept(listener, nullptr);
        opened.push_back(accepted);
        select(accepted);
        return accepted;
    }

    static constexpr win::MessageId kMessage = 0xC200;
    win::WindowHandle window = 0;
    std::vector<winsock::Socket> opened;
};

TEST_F(WinsockTest, AcceptIsReportedOnceUntilTheNextAccept) {
    const winsock::Socket listener = open();
    const std::uint16_t port = listenOnEphemeralPort(listener);
    select(listener);
    auto first = LoopbackPeer::connectTo(port);
    auto second = LoopbackPeer::connectTo(port);
    ASSERT_TRUE(waitUntil([&] { return count(listener, winsock::kFdAccept) == 1; }));
    processPendingEvents();
    EXPECT_EQ(count(listener, winsock::kFdAccept), 1);
    opened.push_back(winsock::accept(listener, nullptr));
    ASSERT_TRUE(waitUntil([&] { return count(listener, winsock::kFdAccept) == 2; }));
}

TEST_F(WinsockTest, AnAcceptedSocketIsWritableOnceAndReadableOnceUntilTheNextReceive) {
    std::unique_ptr<LoopbackPeer> station;
    const winsock::Socket accepted = acceptStation(station);
    ASSERT_TRUE(waitUntil([&] { return count(accepted, winsock::kFdWrite) == 1; }));
    station->send("a");
    ASSERT_TRUE(waitUntil([&] { return count(accepted, winsock::kFdRead) == 1; }));
    station->send("b");
    processPendingEvents();
    EXPECT_EQ(count(accepted, winsock::kFdRead), 1);
    char buffer[1];
    EXPECT_EQ(winsock::recv(accepted, buffer, 1, 0), 1);
    ASSERT_TRUE(waitUntil([&] { return count(accepted, winsock::kFdRead) == 2; }));
    EXPECT_EQ(count(accepted, winsock::kFdWrite), 1);
}

TEST_F(WinsockTest, APeersGracefulCloseIsReportedOnceWithNoError) {
    std::unique_ptr<LoopbackPeer> station;
    const winsock::Socket accepted = acceptStation(station);
    station->close();
    ASSERT_TRUE(waitUntil([&] { return count(accepted, winsock::kFdClose) == 1; }));
    EXPECT_EQ(find(accepted, winsock::kFdClose)->error, 0);
    char buffer[16];
    EXPECT_EQ(winsock::recv(accepted, buffer, sizeof(buffer), 0), 0);
    processPendingEvents();
    EXPECT_EQ(count(accepted, winsock::kFdClose), 1);
    EXPECT_EQ(count(accepted, winsock::kFdRead), 0);
}

TEST_F(WinsockTest, APeersResetIsReportedAsCloseWithConnectionReset) {
    std::unique_ptr<LoopbackPeer> station;
    const winsock::Socket accepted = acceptStation(station);
    station->reset();
    ASSERT_TRUE(waitUntil([&] { return count(accepted, winsock::kFdClose) == 1; }));
    EXPECT_EQ(find(accepted, winsock::kFdClose)->error, 10054);
    // Sending to the reset peer fails; it does not end the process with SIGPIPE.
    EXPECT_EQ(winsock::send(accepted, "x", 1, 0), winsock::kSocketError);
    EXPECT_EQ(winsock::send(accepted, "x", 1, 0), winsock::kSocketError);
}

TEST_F(WinsockTest, AStationThatResetBeforeItWasAcceptedIsStillReportedAsReset) {
    const winsock::Socket listener = open();
    const std::uint16_t port = listenOnEphemeralPort(listener);
    select(listener);
    LoopbackPeer::connectTo(port)->reset();
    ASSERT_TRUE(waitUntil([&] { return count(listener, winsock::kFdAccept) == 1; }));
    const winsock::Socket accepted = winsock::accept(listener, nullptr);
    ASSERT_NE(accepted, winsock::kInvalidSocket);
    opened.push_back(accepted);
    select(accepted);
    ASSERT_TRUE(waitUntil([&] { return count(accepted, winsock::kFdClose) == 1; }));
    EXPECT_EQ(find(accepted, winsock::kFdClose)->error, 10054);
}

TEST_F(WinsockTest, ANonBlockingConnectCompletesThroughItsNotification) {
    const winsock::Socket listener = open();
    const std::uint16_t port = listenOnEphemeralPort(listener);
    const winsock::Socket client = open();
    select(client);
    EXPECT_EQ(winsock::connect(client, loopback(port)).error, winsock::kWsaEWouldBlock);
    ASSERT_TRUE(waitUntil([&] { return count(client, winsock::kFdWrite) == 1; }));
    ASSERT_EQ(count(client, winsock::kFdConnect), 1);
    EXPECT_EQ(find(client, winsock::kFdConnect)->error, 0);
    EXPECT_LT(find(client, winsock::kFdConnect), find(client, winsock::kFdWrite)); // connect comes first
}

TEST_F(WinsockTest, ASecondConnectIsRefusedWhileTheFirstIsUnderWayAndOnceItHasSucceeded) {
    const winsock::Socket listener = open();
    const std::uint16_t port = listenOnEphemeralPort(listener);
    const winsock::Socket client = open();
    select(client);
    ASSERT_EQ(winsock::connect(client, loopback(port)).error, winsock::kWsaEWouldBlock);
    EXPECT_EQ(winsock::connect(client, loopback(port)).error, winsock::kWsaEAlready);
    ASSERT_TRUE(waitUntil([&] { return count(client, winsock::kFdWrite) == 1; }));
    EXPECT_EQ(winsock::connect(client, loopback(port)).error, winsock::kWsaEIsConnected);
    processPendingEvents();
    ASSERT_EQ(count(client, winsock::kFdConnect), 1);
    EXPECT_EQ(find(client, winsock::kFdConnect)->error, 0);
}

TEST_F(WinsockTest, ARefusedConnectIsReportedWithConnectionRefused) {
    const winsock::Socket bound = open(); // holds a port where nothing listens
    winsock::bind(bound, loopback(0));
    winsock::SocketAddressIn address;
    winsock::getSockName(bound, address);
    const winsock::Socket client = open();
    select(client);
    EXPECT_EQ(winsock::connect(client, address).error, winsock::kWsaEWouldBlock);
    ASSERT_TRUE(waitUntil([&] { return count(client, winsock::kFdConnect) == 1; }));
    EXPECT_EQ(find(client, winsock::kFdConnect)->error, 10061);
    processPendingEvents();
    EXPECT_EQ(count(client, winsock::kFdWrite), 0);
}

TEST_F(WinsockTest, WriteIsReportedAgainOnlyAfterASendThatCouldNotTakeEverything) {
    std::unique_ptr<LoopbackPeer> station;
    const winsock::Socket accepted = acceptStation(station);
    ASSERT_TRUE(waitUntil([&] { return count(accepted, winsock::kFdWrite) == 1; }));
    const std::string chunk(1 << 20, 'x');
    while (winsock::send(accepted, chunk.data(), static_cast<int>(chunk.size()), 0) == static_cast<int>(chunk.size())) {
    }
    processPendingEvents();
    EXPECT_EQ(count(accepted, winsock::kFdWrite), 1);
    ASSERT_TRUE(waitUntil([&] {
        station->pump();
        return count(accepted, winsock::kFdWrite) == 2;
    }));
}

TEST_F(WinsockTest, StationsQueuedBeyondTheBacklogAreResetWhenTheListenerCloses) {
    const winsock::Socket listener = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
    const std::uint16_t port = listenOnEphemeralPort(listener); // a backlog of 5
    std::vector<std::unique_ptr<LoopbackPeer>> stations;
    for (int i = 0; i < 40; ++i) {
        stations.push_back(LoopbackPeer::connectTo(port));
        ASSERT_NE(stations.back(), nullptr);
    }
    winsock::closeSocket(listener);
    for (auto& station : stations) {
        EXPECT_TRUE(station->waitForEnd()) << "a station was left waiting";
    }
}

TEST_F(WinsockTest, SelectingWithNothingStopsEveryNotification) {
    std::unique_ptr<LoopbackPeer> station;
    const winsock::Socket accepted = acceptStation(station);
    ASSERT_TRUE(waitUntil([&] { return count(accepted, winsock::kFdWrite) == 1; }));
    ASSERT_EQ(winsock::asyncSelect(accepted, window, 0, 0), 0);
    g_notifications.clear();
    station->send("data");
    station->close();
    processPendingEvents();
    EXPECT_TRUE(g_notifications.empty());
}

TEST_F(WinsockTest, HandlesOfClosedSocketsAreNotHandedOutAgain) {
    const winsock::Socket first = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
    winsock::closeSocket(first);
    const winsock::Socket second = open();
    EXPECT_NE(second, first);
    EXPECT_EQ(winsock::closeSocket(first).error, winsock::kWsaENotSocket);
}

TEST_F(WinsockTest, ListenersRebindWhileOldConnectionsWaitButNotWhileAnotherListens) {
    const winsock::Socket first = open();
    const std::uint16_t port = listenOnEphemeralPort(first);
    const winsock::Socket rival = open();
    EXPECT_EQ(winsock::bind(rival, loopback(port)).error, winsock::kWsaEAddressInUse);
}

TEST(WinsockStartupTest, NoSocketBeforeTheServiceStarts) {
    ASSERT_FALSE(winsock::isStarted());
    EXPECT_EQ(winsock::socket(winsock::kAfInet, winsock::kSockStream, 0).error, 10093);
}

TEST(WinsockErrorsTest, PosixErrorsMapToTheirWindowsSocketsNumbers) {
    const std::vector<std::pair<int, int>> cases = {
        {EADDRINUSE, 10048}, {ECONNREFUSED, 10061}, {EAGAIN, 10035},     {EINPROGRESS, 10035},
        {ENOTSOCK, 10038},   {EBADF, 10038},        {ECONNRESET, 10054}, {EADDRNOTAVAIL, 10049},
        {ETIMEDOUT, 10060},  {EMFILE, 10024},       {ENOTCONN, 10057},   {EHOSTUNREACH, 10065},
    };
    for (const auto& [posix, windows] : cases) {
        EXPECT_EQ(winsock::errorFromErrno(posix), windows) << posix;
    }
}

TEST(WinsockAddressTest, DottedAddressesParseAndPrint) {
    EXPECT_EQ(winsock::inetNtoa(winsock::inetAddr("192.168.1.10")), "192.168.1.10");
    EXPECT_EQ(winsock::inetAddr("localhost"), winsock::kInaddrNone);
    EXPECT_EQ(winsock::inetAddr("255.255.255.255"), winsock::kInaddrNone);
    EXPECT_EQ(winsock::inetAddr(""), winsock::kInaddrNone);
}

} // namespace
