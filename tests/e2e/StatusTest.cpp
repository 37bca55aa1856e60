// quillet --status against the real server: what it prints of the stations, its exit status with
// no server, and local clients of the status socket that misbehave while stations ask.
#include "ServedQuillet.h"
#include "Station.h"

#include "support/EventLoop.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace e2e {
namespace {

using testing_support::loopbackHost;
constexpr std::uint16_t kPort = QuilletProcess::kPort;

struct Ran {
    int status;
    QString output;
    QString errors;
};

// `quillet --status ...` in a session whose runtime directory is the given one.
Ran runQuillet(const QString& runtimeDirectory, const QStringList& arguments,
               const std::function<void()>& childSetUp = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDirectory);
    process.setProcessEnvironment(environment);
    if (childSetUp) {
        process.setChildProcessModifier(childSetUp);
    }
    process.start(QStringLiteral(QUILLET_BINARY), arguments);
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// A local client of the status socket, made of a plain POSIX socket.
class LocalClient {
public:
    explicit LocalClient(const QString& path) : m_descriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray file = QFile::encodeName(path);
        std::copy(file.begin(), file.end(), address.sun_path);
        m_connected = ::connect(m_descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~LocalClient() { ::close(m_descriptor); }
    LocalClient(const LocalClient&) = delete;
    LocalClient& operator=(const LocalClient&) = delete;

    bool connected() const { return m_connected; }
    // Sends what the kernel takes now.
    void sendSome(const std::string& bytes) {
        [[maybe_unused]] const ssize_t sent =
            ::send(m_descriptor, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    // Whether the server has closed the connection by the deadline; 0 ms only looks.
    bool closedWithin(std::chrono::milliseconds deadline) {
        pollfd entry{m_descriptor, POLLIN, 0};
        char byte = 0;
        return ::poll(&entry, 1, static_cast<int>(deadline.count())) > 0 &&
               ::recv(m_descriptor, &byte, 1, MSG_DONTWAIT) <= 0;
    }

private:
    int m_descriptor;
    bool m_connected = false;
};

class StatusTest : public ServedQuilletTest {
protected:
    // The status socket opens just after the service listens.
    void SetUp() override {
        ServedQuilletTest::SetUp();
        ASSERT_TRUE(testing_support::waitUntil([this] { return LocalClient(socketPath()).connected(); }));
    }

    Ran status(const QStringList& arguments) { return runQuillet(quillet.runtimeDirectory(), arguments); }
    QString socketPath() const { return quillet.runtimeDirectory() + QStringLiteral("/quillet/status"); }
};

TEST_F(StatusTest, ListsTheStationsThatAskedWithTheirRequestsAsTextAndAsJson) {
    for (const std::uint8_t host : {2, 3, 3, 4, 4, 4}) {
        const TimeAnswer answer =
            quillet.whileServing([host] { return askTime(kPort, 5s, loopbackHost(), loopbackHost(host)); });
        ASSERT_EQ(answer.reply.size(), 12u);
    }
    const Ran text = status({QStringLiteral("--status")});
    EXPECT_EQ(text.status, 0) << text.errors;
    EXPECT_TRUE(text.output.startsWith("Address:        127.0.0.1\nService:        listening\nRequests:       6\n"))
        << text.output;
    EXPECT_TRUE(text.output.contains("\nStations:       3 stations, 0 silent\n")) << text.output;
    const QRegularExpression rows("^Address +Requests +First request +Last request +Usually +State\n"
                                  "127\\.0\\.0\\.4 +3  .*\n127\\.0\\.0\\.3 +2  .*\n127\\.0\\.0\\.2 +1  .*, served\n$",
                                  QRegularExpression::MultilineOption);
    EXPECT_TRUE(rows.match(text.output).hasMatch()) << text.output;

    const Ran json = status({QStringLiteral("--status"), QStringLiteral("--json")});
    EXPECT_EQ(json.status, 0) << json.errors;
    const QJsonObject report = QJsonDocument::fromJson(json.output.toUtf8()).object();
    EXPECT_EQ(report["address"].toString(), "127.0.0.1");
    EXPECT_EQ(report["service"].toString(), "listening");
    EXPECT_EQ(report["requests"].toInt(), 6);
    const QJsonArray stations = report["stations"].toArray();
    ASSERT_EQ(stations.size(), 3);
    EXPECT_EQ(stations[0]["address"].toString(), "127.0.0.4");
    EXPECT_EQ(stations[0]["requests"].toInt(), 3);
    EXPECT_EQ(stations[2]["address"].toString(), "127.0.0.2");
    EXPECT_EQ(stations[2]["lastOutcome"].toString(), "served");
}

TEST_F(StatusTest, ALocalClientThatSendsNothingOrAMegabyteHoldsUpNoStation) {
    LocalClient silent(socketPath());
    LocalClient flood(socketPath());
    ASSERT_TRUE(silent.connected() && flood.connected());
    flood.sendSome(std::string(1 << 20, 'x'));

    const QDateTime before = QDateTime::currentDateTime();
    const TimeAnswer answer = quillet.whileServing([] { return askTime(kPort); });
    EXPECT_TRUE(isReplyBetween(answer.reply, before, QDateTime::currentDateTime())) << answer.reply;
    // The station was answered while the silent client still had its two seconds to send.
    EXPECT_FALSE(silent.closedWithin(0ms));
    EXPECT_TRUE(flood.closedWithin(5s));  // cut off after the longest request
    EXPECT_TRUE(silent.closedWithin(5s)); // and let go at the end of its time
    EXPECT_EQ(status({QStringLiteral("--status")}).status, 0);
}

TEST_F(StatusTest, AClientOfAnotherUserIsNotAnsweredEvenWhereTheFileLetsItIn) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root, to ask as another user";
    }
    for (const QString& path : {quillet.runtimeDirectory(), quillet.runtimeDirectory() + "/quillet"}) {
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOther);
    }
    QFile::setPermissions(socketPath(), QFile::permissions(socketPath()) | QFile::ReadOther | QFile::WriteOther);
    const Ran asNobody = runQuillet(quillet.runtimeDirectory(), {QStringLiteral("--status")},
                                    [] { [[maybe_unused]] const int dropped = ::setgid(65534) + ::setuid(65534); });
    EXPECT_EQ(asNobody.status, 4);
    EXPECT_TRUE(asNobody.output.isEmpty());
    EXPECT_TRUE(asNobody.errors.contains("the server closed the connection without an answer")) << asNobody.errors;
}

TEST(StatusWithoutServerTest, ExitsWithThreeWhenNoServerRunsOrItsSocketIsLeftBehind) {
    if (QFile::exists(QStringLiteral("/run/quillet/status"))) {
        GTEST_SKIP() << "a Quillet service runs on this machine";
    }
    const QTemporaryDir noServer;
    for (const QStringList& arguments : {QStringList{"--status"}, QStringList{"--status", "--json"}}) {
        const Ran ran = runQuillet(noServer.path(), arguments);
        EXPECT_EQ(ran.status, 3);
        EXPECT_TRUE(ran.output.isEmpty());
        EXPECT_TRUE(ran.errors.startsWith("quillet: no server is running")) << ran.errors;
    }
    for (const int signal : {SIGTERM, SIGKILL}) { // the socket removed, or left with nobody at it
        QuilletProcess quillet;
        ASSERT_TRUE(quillet.waitForListening());
        ASSERT_TRUE(testing_support::waitUntil(
            [&] { return runQuillet(quillet.runtimeDirectory(), {"--status"}).status == 0; }));
        quillet.sendSignal(signal);
        ASSERT_TRUE(quillet.waitForExit());
        EXPECT_EQ(QFile::exists(quillet.runtimeDirectory() + "/quillet/status"), signal == SIGKILL);
        EXPECT_EQ(runQuillet(quillet.runtimeDirectory(), {"--status"}).status, 3);
    }
}

} // namespace
} // namespace e2e
