// A process with no descriptor left: a limit Linux lets a process lower for itself.
#include "CSocket.h"
#include "RuntimeError.h"
#include "SocketTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using testing_support::failureOf;

namespace {

// The process at its limit of descriptors: every operation that needs a new socket says why
// it cannot have one.
TEST(NoDescriptorLeftTest, EveryOperationThatNeedsASocketRaisesWhyItHasNone) {
#ifdef QUILLET_SANITIZED
    GTEST_SKIP() << "the sanitizers' runtime needs descriptors of its own to check types";
#endif
    auto socket = CSocket::create();
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ::close(lowestFree);
    rlimit lowered = limit;
    lowered.rlim_cur = static_cast<rlim_t>(lowestFree);
    ::setrlimit(RLIMIT_NOFILE, &lowered);
    const RuntimeError bind = failureOf([&] { socket->Bind(0, "127.0.0.1"); });
    const RuntimeError connect = failureOf([&] { socket->Connect("127.0.0.1", 9); });
    const RuntimeError listen = failureOf([&] { socket->Listen(); });
    ::setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_EQ(bind.number(), 10024);
    EXPECT_EQ(bind.source(), "CSocket.Bind");
    EXPECT_EQ(connect.number(), 10024);
    EXPECT_EQ(connect.source(), "CSocket.Connect");
    EXPECT_EQ(listen.number(), 10024);
    EXPECT_EQ(listen.description(), "Too many open files.");
}

} // namespace
