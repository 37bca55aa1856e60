#include "MessageWindows.h"
#include "TerminationSignals.h"
#include "Winsock.h"

#include "support/EventLoop.h"

#include <winsock2.h>

#include <windows.h>

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using testing_support::waitUntil;

namespace {

struct Notification {
    winsock::Socket socket;
    int event;
    int error;
};

std::vector<Notification> g_notifications;
win::MessageId g_socketMessage = 0;

win::LParam recordingProc(win::WindowHandle, win::MessageId message, win::WParam wParam, win::LParam lParam) {
    if (message == g_socketMessage) {
        g_notifications.push_back({static_cast<winsock::Socket>(wParam), static_cast<int>(lParam & 0xFFFF),
                                   static_cast<int>((lParam >> 16) & 0xFFFF)});
    }
    return 0;
}

HWND nativeWindow(win::WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(window)));
}

// A station as the office has them: a blocking socket of its own, made without the code under test.
class Station {
public:
    explicit Station(std::uint16_t port) : m_socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(port);
        server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_socket, reinterpret_cast<const sockaddr*>(&server), sizeof(server)) == 0;
    }
    ~Station() {
        if (m_socket != INVALID_SOCKET) {
            ::closesocket(m_socket);
        }
    }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    bool connected() const { return m_connected; }
    void send(const char* bytes) { ::send(m_socket, bytes, static_cast<int>(std::strlen(bytes)), 0); }
    // Closes with SO_LINGER 0, so the server sees a reset.
    void reset() {
        const linger abortive{1, 0};
        ::setsockopt(m_socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive), sizeof(abortive));
        ::closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }

private:
    SOCKET m_socket;
    bool m_connected = false;
};

// Windows Sockets over loopback, its notifications posted to a real message window that Qt's
// event loop pumps.
class WindowsSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        winsock::StartupData data;
        ASSERT_EQ(winsock::startup(0x0101, data), 0);
        g_notifications.clear();
        g_socketMessage = win::registerWindowMessage("QuilletTest.WinsockMessage");
        m_window = win::createWindow("SOCKET_WINDOW");
        win::setWindowProc(m_window, &recordingProc);
    }
    void TearDown() override {
        for (const winsock::Socket socket : m_sockets) {
            winsock::closeSocket(socket);
        }
        win::destroyWindow(m_window);
        winsock::cleanup();
    }

    winsock::Socket streamSocket() {
        const winsock::Result made = winsock::socket(winsock::kAfInet, winsock::kSockStream, 0);
        EXPECT_FALSE(made.failed());
        m_sockets.push_back(made.value);
        return made.value;
    }

    // A listener on a port of the system's choosing; answers the port.
    std::uint16_t listen(winsock::Socket listener) {
        winsock::SocketAddressIn address;
        address.address = winsock::inetAddr("127.0.0.1");
        EXPECT_FALSE(winsock::bind(listener, address).failed());
        EXPECT_FALSE(winsock::listen(listener, 5).failed());
        EXPECT_FALSE(winsock::getSockName(listener, address).failed());
        EXPECT_FALSE(winsock::asyncSelect(listener, m_window, g_socketMessage, 59).failed());
        return winsock::networkToHost16(address.port);
    }

    bool notified(winsock::Socket socket, int event, int error = 0) {
        return waitUntil([&] {
            for (const Notification& notification : g_notifications) {
                if (notification.socket == socket && notification.event == event && notification.error == error) {
                    return true;
                }
            }
            return false;
        });
    }

    // The error the socket's first notification of the event carried, once one came; -1 if none.
    int errorOf(winsock::Socket socket, int event) {
        int error = -1;
        waitUntil([&] {
            for (const Notification& notification : g_notifications) {
                if (notification.socket == socket && notification.event == event) {
                    error = notification.error;
                    return true;
                }
            }
            return false;
        });
        return error;
    }

    win::WindowHandle m_window = 0;
    std::vector<winsock::Socket> m_sockets;
};

} // namespace

TEST(WindowsMessageWindowTest, TheHiddenWindowIsAMessageOnlyWindowWithItsNameAndSystemWideMessages) {
    const win::WindowHandle window = win::createWindow("SOCKET_WINDOW");
    ASSERT_NE(window, 0u);
    EXPECT_EQ(FindWindowExA(HWND_MESSAGE, nullptr, "STATIC", "SOCKET_WINDOW"), nativeWindow(window));
    EXPECT_EQ(win::windowName(window), "SOCKET_WINDOW");
    EXPECT_EQ(win::registerWindowMessage("Quillet.WinsockMessage"), RegisterWindowMessageA("Quillet.WinsockMessage"));
    EXPECT_TRUE(win::destroyWindow(window));
    EXPECT_FALSE(IsWindow(nativeWindow(window)));
    EXPECT_FALSE(win::postMessage(window, 0xC000, 0, 0));
}

TEST_F(WindowsSocketTest, AStationIsAcceptedWritableReadableAndItsResetIsAClose) {
    const winsock::Socket listener = streamSocket();
    Station station(listen(listener));
    ASSERT_TRUE(station.connected());
    ASSERT_TRUE(notified(listener, winsock::kFdAccept));

    winsock::SocketAddressIn peer;
    const winsock::Result accepted = winsock::accept(listener, &peer);
    ASSERT_FALSE(accepted.failed());
    m_sockets.push_back(accepted.value);
    EXPECT_EQ(winsock::inetNtoa(peer.address), "127.0.0.1");
    ASSERT_FALSE(winsock::asyncSelect(accepted.value, m_window, g_socketMessage, 59).failed());
    EXPECT_TRUE(notified(accepted.value, winsock::kFdWrite));

    station.send("x");
    ASSERT_TRUE(notified(accepted.value, winsock::kFdRead));
    char received = 0;
    EXPECT_EQ(winsock::recv(accepted.value, &received, 1, 0).value, 1);

    station.reset();
    // Windows carries 10054 in the close notification; Wine passes the host's reset on as the
    // stream's clean end, so only the close itself is asserted.
    EXPECT_NE(errorOf(accepted.value, winsock::kFdClose), -1) << "no close notification";
    winsock::SocketAddressIn after;
    EXPECT_FALSE(winsock::getAcceptedPeerName(accepted.value, after).failed());
    EXPECT_EQ(after.address, peer.address);
}

TEST_F(WindowsSocketTest, FailuresCarryTheWindowsSocketsNumbers) {
    const winsock::Socket listener = streamSocket();
    const std::uint16_t port = listen(listener);
    winsock::closeSocket(listener); // nobody listens on the port any more
    const winsock::Socket client = streamSocket();
    ASSERT_FALSE(winsock::asyncSelect(client, m_window, g_socketMessage, 59).failed());
    winsock::SocketAddressIn server;
    server.port = winsock::hostToNetwork16(port);
    server.address = winsock::inetAddr("127.0.0.1");
    EXPECT_EQ(winsock::connect(client, server).error, winsock::kWsaEWouldBlock);
    EXPECT_TRUE(notified(client, winsock::kFdConnect, winsock::kWsaEConnectionRefused));
}

TEST(WindowsTerminationTest, TheSessionsEndRequestsTerminationBeforeItIsAnswered) {
    TerminationSignals termination;
    bool requested = false;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, [&requested] { requested = true; });
    const HWND window = FindWindowA("Quillet.SessionEnd", nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageA(window, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_FALSE(requested);
    SendMessageA(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(requested);
    EXPECT_EQ(TerminationSignals::requestedBy(), QStringLiteral("WM_ENDSESSION"));
}
