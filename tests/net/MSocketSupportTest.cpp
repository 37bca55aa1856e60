#include "MSocketSupport.h"

#include "CSocket.h"
#include "RecordingListener.h"
#include "RuntimeError.h"
#include "support/EventLoop.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

using testing_support::waitUntil;

namespace {

TEST(MSocketSupportTest, ErrorNumbersHaveTheirTextsAndEverythingElseIsUnknown) {
    EXPECT_EQ(MSocketSupport::GetErrorDescription(10048), "Address already in use.");
    EXPECT_EQ(MSocketSupport::GetErrorDescription(10061), "Connection refused.");
    EXPECT_EQ(MSocketSupport::GetErrorDescription(11004), "Valid name, no data record of requested type.");
    for (const std::int32_t unknown : {10059, 0, -1, 10000, 11005, 40006}) {
        EXPECT_EQ(MSocketSupport::GetErrorDescription(unknown), "Unknown error.") << unknown;
    }
}

TEST(MSocketSupportTest, PortsConvertBetweenUnsignedAndSixteenBitValues) {
    EXPECT_EQ(MSocketSupport::UnsignedToInteger(0), 0);
    EXPECT_EQ(MSocketSupport::UnsignedToInteger(32767), 32767);
    EXPECT_EQ(MSocketSupport::UnsignedToInteger(32768), -32768);
    EXPECT_EQ(MSocketSupport::UnsignedToInteger(65535), -1);
    EXPECT_EQ(MSocketSupport::IntegerToUnsigned(-1), 65535);
    EXPECT_EQ(MSocketSupport::IntegerToUnsigned(10325), 10325);
    for (const std::int32_t outside : {65536, -1}) {
        try {
            MSocketSupport::UnsignedToInteger(outside);
            ADD_FAILURE() << outside << " was converted";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), kOverflowError);
        }
    }
}

TEST(MSocketSupportTest, StringsAreReadUpToTheirTerminator) {
    EXPECT_EQ(MSocketSupport::StringFromPointer("localhost\0junk"), "localhost");
    EXPECT_EQ(MSocketSupport::StringFromPointer(nullptr), "");
}

TEST(MSocketSupportTest, TheServiceStartsOnceAndNamesItsMessagesAfterTheProgram) {
    auto first = CSocket::create();
    const std::int32_t size = MSocketSupport::InitWinsockService();
    MSocketSupport::CleanupWinsockService();
    winsock::StartupData platform; // the size is the platform's own: 65507 on Linux, ws2_32's on Windows
    ASSERT_EQ(winsock::startup(0x0101, platform), 0);
    winsock::cleanup();
    EXPECT_EQ(size, platform.maxUdpDatagram);
    EXPECT_TRUE(MSocketSupport::IsStarted());
    const std::string program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
    EXPECT_EQ(win::registerWindowMessage(program + ".WinsockMessage"), MSocketSupport::WinsockMessage());
    EXPECT_EQ(win::registerWindowMessage(program + ".ResolveMessage"), MSocketSupport::ResolveMessage());
    EXPECT_NE(MSocketSupport::WinsockMessage(), MSocketSupport::ResolveMessage());
}

TEST(MSocketSupportTest, TheMessageWindowLivesExactlyAsLongAsSomeSocketIsRegistered) {
    auto socket = CSocket::create();
    EXPECT_EQ(MSocketSupport::MessageWindow(), 0u);
    socket->Listen();
    const win::WindowHandle first = MSocketSupport::MessageWindow();
    EXPECT_NE(first, 0u);
    EXPECT_EQ(win::windowName(first), "SOCKET_WINDOW");
    EXPECT_EQ(MSocketSupport::RegisteredSocketCount(), 1u);

    socket->CloseSocket();
    EXPECT_EQ(MSocketSupport::MessageWindow(), 0u);
    EXPECT_EQ(MSocketSupport::RegisteredSocketCount(), 0u);
    EXPECT_FALSE(win::isWindow(first));
    EXPECT_FALSE(MSocketSupport::UnregisterSocket(winsock::kInvalidSocket));

    socket->Listen();
    EXPECT_NE(MSocketSupport::MessageWindow(), 0u);
    EXPECT_NE(MSocketSupport::MessageWindow(), first);
}

TEST(MSocketSupportTest, OtherMessagesGoToTheWindowsPreviousProcedure) {
    auto socket = CSocket::create();
    socket->Listen();
    EXPECT_EQ(MSocketSupport::WindowProc(MSocketSupport::MessageWindow(), 0x0400, 1, 2), 0);
    // A notification for a socket nobody registered is ignored.
    EXPECT_EQ(MSocketSupport::WindowProc(MSocketSupport::MessageWindow(), MSocketSupport::WinsockMessage(), 999999,
                                         winsock::kFdRead),
              0);
}

TEST(MSocketSupportTest, ASecondLookUpForTheSameObjectIsRefusedWhileTheFirstIsPending) {
    auto socket = CSocket::create();
    RecordingListener events;
    socket->setListener(&events);
    socket->Connect("localhost", 9);
    ASSERT_EQ(socket->State(), SocketState::ResolvingHost);
    try {
        MSocketSupport::ResolveHost("localhost", *socket);
        FAIL() << "a second look-up was started";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 10037);
        EXPECT_EQ(error.description(), "Operation already in progress.");
        EXPECT_EQ(error.source(), "MSocketSupport.ResolveHost");
    }
    EXPECT_EQ(MSocketSupport::PendingLookupCount(), 1u);
    ASSERT_TRUE(waitUntil([&] { return MSocketSupport::PendingLookupCount() == 0; }));
}

TEST(MSocketSupportTest, AnObjectDestroyedWithALookUpPendingIsNeverReachedByItsCompletion) {
    auto socket = CSocket::create();
    socket->Connect("localhost", 9);
    ASSERT_EQ(MSocketSupport::PendingLookupCount(), 1u);
    socket.reset();
    EXPECT_EQ(MSocketSupport::PendingLookupCount(), 0u);
    auto next = CSocket::create(); // may reuse the freed memory: nothing must arrive for it
    RecordingListener events;
    next->setListener(&events);
    auto later = CSocket::create(); // a later look-up of the name: once it is in, so is the first
    RecordingListener laterEvents;
    later->setListener(&laterEvents);
    later->Connect("localhost", 9);
    ASSERT_TRUE(waitUntil([] { return MSocketSupport::PendingLookupCount() == 0; }));
    testing_support::processPendingEvents();
    EXPECT_TRUE(events.events.empty());
    EXPECT_EQ(next->State(), SocketState::Closed);
}

} // namespace
