#include "LoopbackHttpServer.h"

#include <system_error>

using testing_support::PlainSocket;

namespace {
std::string okResponse(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}
} // namespace

LoopbackHttpServer::LoopbackHttpServer(std::optional<std::string> body) {
    if (body) {
        m_response = okResponse(*body);
    }
    m_stopPort = m_stop.bind();
    if (m_stopPort == 0) {
        throw std::system_error(PlainSocket::lastError(), std::system_category(), "bind");
    }
    m_socket.listen();
    m_thread = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    PlainSocket::udp().sendTo(m_stopPort, "s");
    m_thread.join();
}

std::string LoopbackHttpServer::firstRequest() const {
    const std::lock_guard lock(m_mutex);
    return m_firstRequest;
}

void LoopbackHttpServer::serve() {
    while (waitFor(m_socket.socket(), false)) {
        PlainSocket connection = m_socket.socket().accept();
        if (!connection.valid()) {
            continue;
        }
        const std::string request = readRequest(connection);
        {
            const std::lock_guard lock(m_mutex);
            if (m_connections == 0) {
                m_firstRequest = request;
            }
        }
        ++m_connections;
        if (!m_response) {
            m_silentConnections.push_back(std::move(connection));
            continue;
        }
        writeAll(connection, *m_response);
    }
}

bool LoopbackHttpServer::waitFor(const PlainSocket& socket, bool forWriting) const {
    return socket.waitUntilReady(forWriting, m_stop);
}

std::string LoopbackHttpServer::readRequest(PlainSocket& connection) const {
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos && waitFor(connection, false)) {
        const PlainSocket::Received received = connection.receive(buffer, sizeof(buffer));
        if (received.count <= 0) {
            break;
        }
        request.append(buffer, static_cast<std::size_t>(received.count));
    }
    return request;
}

void LoopbackHttpServer::writeAll(PlainSocket& connection, const std::string& bytes) const {
    for (std::size_t sent = 0; sent < bytes.size() && waitFor(connection, true);) {
        const std::ptrdiff_t count = connection.send(std::string_view(bytes).substr(sent));
        if (count <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(count);
    }
}
