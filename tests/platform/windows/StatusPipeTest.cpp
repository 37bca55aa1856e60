#include "StatusClient.h"
#include "StatusSocket.h"

#include "support/EventLoop.h"

#include <QCoreApplication>
#include <atomic>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

using testing_support::waitUntil;
using namespace std::chrono_literals;

namespace {

// Asks the pipe from a thread of its own, as the client blocks and the server needs the event loop.
StatusClient::Reply askWhileServing(const QString& name, const QByteArray& request) {
    std::optional<StatusClient::Reply> reply;
    std::atomic<bool> done = false;
    std::thread client([&] {
        reply = StatusClient::ask(name, request, 5s);
        done = true;
    });
    waitUntil([&] { return done.load(); }, 10s);
    client.join();
    return *reply;
}

const QString kPipe = QStringLiteral("QuilletTest.Status.%1").arg(QCoreApplication::applicationPid());

} // namespace

TEST(StatusPipeTest, TheRequestIsAnsweredWholeAndOnlyOneServerHoldsTheName) {
    QByteArray asked;
    StatusSocket server([&asked](const QByteArray& request) {
        asked = request;
        return request == "text" ? QByteArray(70000, 'a') : QByteArray();
    });
    ASSERT_FALSE(server.listen(kPipe).has_value());
    StatusSocket second([](const QByteArray&) { return QByteArray(); });
    EXPECT_TRUE(second.listen(kPipe).has_value());

    const StatusClient::Reply reply = askWhileServing(kPipe, "text\n");
    EXPECT_EQ(asked, "text");
    EXPECT_EQ(reply.result, StatusClient::Reply::Result::Answered) << reply.error.toStdString();
    EXPECT_EQ(reply.answer, QByteArray(70000, 'a'));

    EXPECT_EQ(askWhileServing(kPipe, "other\n").result, StatusClient::Reply::Result::Failed);
}

TEST(StatusPipeTest, NoServerIsNotRunning) {
    EXPECT_EQ(StatusClient::ask(kPipe + QStringLiteral(".none"), "text\n", 1s).result,
              StatusClient::Reply::Result::NotRunning);
}
