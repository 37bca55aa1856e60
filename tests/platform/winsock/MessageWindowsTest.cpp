#include "MessageWindows.h"

#include "GuiThread.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

using testing_support::processPendingEvents;
using testing_support::waitUntil;
using namespace std::chrono_literals;

namespace {

struct Delivery {
    win::WindowHandle window;
    win::MessageId message;
    win::WParam wParam;
    win::LParam lParam;
};

std::vector<Delivery> g_deliveries;
win::WindowHandle g_replacement = 0;

win::LParam recordingProc(win::WindowHandle window, win::MessageId message, win::WParam wParam, win::LParam lParam) {
    g_deliveries.push_back({window, message, wParam, lParam});
    return 7;
}

// Destroys its own window and makes a new one while its call is still running.
win::LParam replacingProc(win::WindowHandle window, win::MessageId message, win::WParam wParam, win::LParam lParam) {
    recordingProc(window, message, wParam, lParam);
    win::destroyWindow(window);
    g_replacement = win::createWindow("SOCKET_WINDOW");
    win::setWindowProc(g_replacement, &recordingProc);
    return 0;
}

class MessageWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_deliveries.clear();
        g_replacement = 0;
    }
};

TEST_F(MessageWindowsTest, RegisteredNamesAlwaysGiveTheSameNumber) {
    const win::MessageId first = win::registerWindowMessage("quillet.WinsockMessage");
    EXPECT_GE(first, 0xC000u);
    EXPECT_EQ(win::registerWindowMessage("quillet.WinsockMessage"), first);
    EXPECT_NE(win::registerWindowMessage("server.WinsockMessage"), first);
}

TEST_F(MessageWindowsTest, PostedMessagesArriveInOrderOneAtATime) {
    const win::WindowHandle window = win::createWindow("SOCKET_WINDOW");
    win::setWindowProc(window, &recordingProc);
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(win::postMessage(window, 0xC100, static_cast<win::WParam>(i), -i));
    }
    EXPECT_TRUE(g_deliveries.empty()); // nothing is delivered before the loop runs
    ASSERT_TRUE(waitUntil([] { return g_deliveries.size() == 50; }));
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(g_deliveries[static_cast<std::size_t>(i)].wParam, static_cast<win::WParam>(i));
        EXPECT_EQ(g_deliveries[static_cast<std::size_t>(i)].lParam, -i);
    }
    win::destroyWindow(window);
}

TEST_F(MessageWindowsTest, AMessageForAWindowDestroyedBeforeDeliveryIsDropped) {
    const win::WindowHandle gone = win::createWindow("SOCKET_WINDOW");
    win::setWindowProc(gone, &recordingProc);
    win::postMessage(gone, 0xC100, 1, 1);
    win::destroyWindow(gone);
    const win::WindowHandle next = win::createWindow("SOCKET_WINDOW");
    win::setWindowProc(next, &recordingProc);
    EXPECT_NE(next, gone);
    EXPECT_FALSE(win::postMessage(gone, 0xC100, 2, 2));
    win::postMessage(next, 0xC100, 3, 3);
    ASSERT_TRUE(waitUntil([] { return !g_deliveries.empty(); }));
    processPendingEvents();
    ASSERT_EQ(g_deliveries.size(), 1u);
    EXPECT_EQ(g_deliveries[0].window, next);
    win::destroyWindow(next);
}

TEST_F(MessageWindowsTest, AProcedureMayDestroyItsWindowAndCreateAnotherWhileItRuns) {
    const win::WindowHandle window = win::createWindow("SOCKET_WINDOW");
    win::setWindowProc(window, &replacingProc);
    win::postMessage(window, 0xC100, 1, 0);
    win::postMessage(window, 0xC100, 2, 0); // queued for the window that will be gone
    ASSERT_TRUE(waitUntil([] { return g_replacement != 0; }));
    win::postMessage(g_replacement, 0xC100, 3, 0);
    ASSERT_TRUE(waitUntil([] { return g_deliveries.size() == 2; }));
    processPendingEvents();
    ASSERT_EQ(g_deliveries.size(), 2u);
    EXPECT_EQ(g_deliveries[1].window, g_replacement);
    EXPECT_EQ(g_deliveries[1].wParam, 3u);
    win::destroyWindow(g_replacement);
}

TEST_F(MessageWindowsTest, ReplacingAProcedureHandsBackThePreviousOne) {
    const win::WindowHandle window = win::createWindow("STATIC");
    const win::WindowProc original = win::setWindowProc(window, &recordingProc);
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(win::callWindowProc(original, window, 0x0400, 0, 0), 0);
    EXPECT_EQ(win::setWindowProc(window, original), &recordingProc);
    EXPECT_EQ(win::callWindowProc(&recordingProc, window, 0x0400, 5, 6), 7);
    EXPECT_EQ(win::setWindowProc(0, &recordingProc), nullptr);
    win::destroyWindow(window);
}

TEST(OneThreadRuleTest, PostingFromAnotherThreadEndsTheProgramInBuildsThatCheck) {
    if (!gui_thread::isChecked()) {
        GTEST_SKIP() << "this build does not check the one-thread rule";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const win::WindowHandle window = win::createWindow("test");
    EXPECT_DEATH(std::thread([&] { win::postMessage(window, 0xC000, 0, 0); }).join(),
                 "win::postMessage called off the GUI thread");
    win::destroyWindow(window);
}

} // namespace
