#pragma once

#include "LoopbackSocket.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A web server on 127.0.0.1 with a thread of its own, so it answers while the test's thread is
// blocked in a look-up. Every request gets the same body with status 200, then the connection closes.
class LoopbackHttpServer {
public:
    // Without a body the server accepts every connection and never writes a byte.
    explicit LoopbackHttpServer(std::optional<std::string> body);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    std::string pageAddress() const { return m_socket.pageAddress(); }
    int connectionCount() const { return m_connections; }
    // The request line and headers of the first request.
    std::string firstRequest() const;

private:
    void serve();
    // Waits until the socket is ready to read (or write); false once the server is stopping.
    bool waitFor(const testing_support::PlainSocket& socket, bool forWriting) const;
    std::string readRequest(testing_support::PlainSocket& connection) const;
    void writeAll(testing_support::PlainSocket& connection, const std::string& bytes) const;

    LoopbackSocket m_socket;
    std::optional<std::string> m_response;
    // A datagram to this socket stops the server's thread.
    testing_support::PlainSocket m_stop = testing_support::PlainSocket::udp();
    std::uint16_t m_stopPort = 0;
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::string m_firstRequest;
    std::vector<testing_support::PlainSocket> m_silentConnections;
    std::thread m_thread;
};
