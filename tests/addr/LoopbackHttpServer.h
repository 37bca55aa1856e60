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
    // Waits until fd is ready for the events; false once the server is stopping.
    bool waitFor(int fd, short events) const;
    std::string readRequest(int connection) const;
    void writeAll(int connection, const std::string& bytes) const;

    LoopbackSocket m_socket;
    std::optional<std::string> m_response;
    int m_stopPipe[2] = {-1, -1};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::string m_firstRequest;
    std::vector<int> m_silentConnections;
    std::thread m_thread;
};
