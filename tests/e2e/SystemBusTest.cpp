// The server has no use for the system bus, so it never connects to it: a bus of the test's own,
// named to it in DBUS_SYSTEM_BUS_ADDRESS, hears from no one by the time the server listens, even
// where the computer is online and the start-up look-up runs.
#include "QuilletProcess.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A listening local socket; a connection made to it, even one since closed, waits in its queue.
class ListeningBus {
public:
    explicit ListeningBus(const QString& path) : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.toStdString().copy(address.sun_path, sizeof(address.sun_path) - 1);
        m_listening =
            ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 && ::listen(m_fd, 8) == 0;
    }
    ~ListeningBus() { ::close(m_fd); }
    ListeningBus(const ListeningBus&) = delete;
    ListeningBus& operator=(const ListeningBus&) = delete;

    bool listening() const { return m_listening; }
    bool wasConnected() const {
        const int connection = ::accept(m_fd, nullptr, nullptr);
        if (connection >= 0) {
            ::close(connection);
        }
        return connection >= 0;
    }

private:
    int m_fd;
    bool m_listening = false;
};

TEST(SystemBusTest, OnlineOrNotTheServerNeverConnectsToTheSystemBus) {
    for (const char* network : {"offline", "blackholed"}) {
        SCOPED_TRACE(network);
        const QTemporaryDir folder;
        const ListeningBus bus(folder.filePath(QStringLiteral("system_bus_socket")));
        ASSERT_TRUE(bus.listening());
        QuilletProcess quillet({QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS=unix:path=") +
                                folder.filePath(QStringLiteral("system_bus_socket"))},
                               {QStringLiteral(QUILLET_ISOLATE), QString::fromLatin1(network)});
        // A client of the bus would wait for it to answer, and so never get as far as the clock line.
        const bool started = quillet.waitForLogLine(QStringLiteral("] Clock: "), std::chrono::seconds(10));
        EXPECT_FALSE(bus.wasConnected()) << "the server connected to the system bus";
        EXPECT_TRUE(started) << quillet.standardError().toStdString();
    }
}

} // namespace
