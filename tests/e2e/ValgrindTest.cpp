// The real server under valgrind: after serving stations of every kind and a termination
// signal it exits with no descriptor of its own left open.
#include "ServedQuillet.h"
#include "Station.h"

#include <QFile>
#include <QRegularExpression>
#include <csignal>

namespace e2e {
namespace {

constexpr std::uint16_t kPort = QuilletProcess::kPort;
const QString kLog = QStringLiteral("valgrind-fds.log");

// The descriptors valgrind lists as open at exit, less the standard and inherited ones and
// those GLib and GIO keep for the life of the process (main-loop wake-ups, network monitor).
QStringList leakedDescriptors(const QString& log) {
    static const QRegularExpression kOpen(QStringLiteral(R"(Open .*(file descriptor|socket) (\d+):)"));
    static const QRegularExpression kLibraryOwned(QStringLiteral(R"(inherited from parent|libglib-2\.0|libgio-2\.0)"));
    QStringList leaked;
    for (const QString& block : log.split(QRegularExpression(QStringLiteral(R"(\n==\d+== \n)")))) {
        const QRegularExpressionMatch open = kOpen.match(block);
        if (open.hasMatch() && open.captured(2).toInt() > 2 && !kLibraryOwned.match(block).hasMatch()) {
            leaked << block;
        }
    }
    return leaked;
}

// A station that says something first, retrying until it is answered.
bool askTalking(std::chrono::milliseconds deadline) {
    for (const auto end = std::chrono::steady_clock::now() + deadline; std::chrono::steady_clock::now() < end;) {
        auto station = Station::connectRetrying(kPort, deadline);
        if (station && station->sendAll("hello\r\n") && station->readToEnd(5s).bytes.size() == 12) {
            return true;
        }
    }
    return false;
}

TEST(ValgrindTest, NoDescriptorIsLeftOpenAfterServingAndTermination) {
    QFile::remove(kLog);
    QuilletProcess quillet(
        {}, {QStringLiteral("valgrind"), QStringLiteral("--track-fds=yes"), QStringLiteral("--log-file=") + kLog});
    ASSERT_TRUE(quillet.waitForLogLine(QStringLiteral("] Listening"), 120s)) << quillet.standardError().toStdString();
    const int answered = quillet.whileServing([] {
        int count = askTime(kPort, 20s).reply.size() == 12 ? 1 : 0;
        if (auto resetting = Station::connectRetrying(kPort, 20s)) {
            resetting->reset();
        }
        count += askTalking(20s) ? 1 : 0;
        return count + (askTime(kPort, 20s).reply.size() == 12 ? 1 : 0);
    });
    EXPECT_EQ(answered, 3);
    quillet.sendSignal(SIGTERM);
    ASSERT_TRUE(quillet.waitForExit(60s));
    EXPECT_EQ(quillet.exitCode(), 0);
    QFile file(kLog);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString log = QString::fromLocal8Bit(file.readAll());
    ASSERT_TRUE(log.contains(QStringLiteral("FILE DESCRIPTORS:"))) << log.toStdString();
    const QStringList leaked = leakedDescriptors(log);
    EXPECT_TRUE(leaked.isEmpty()) << leaked.join(QLatin1Char('\n')).toStdString();
}

} // namespace
} // namespace e2e
