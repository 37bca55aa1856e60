#include "LoopbackHttpServer.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

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
    if (::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    m_socket.listen();
    m_thread = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    const char stop = 's';
    (void)!::write(m_stopPipe[1], &stop, 1);
    m_thread.join();
    for (const int connection : m_silentConnections) {
        ::close(connection);
    }
    ::close(m_stopPipe[0]);
    ::close(m_stopPipe[1]);
}

std::string LoopbackHttpServer::firstRequest() const {
    const std::lock_guard lock(m_mutex);
    return m_firstRequest;
}

void LoopbackHttpServer::serve() {
    while (waitFor(m_socket.fd(), POLLIN)) {
        const int connection = ::accept4(m_socket.fd(), nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
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
            m_silentConnections.push_back(connection);
            continue;
        }
        writeAll(connection, *m_response);
        ::close(connection);
    }
}

bool LoopbackHttpServer::waitFor(int fd, short events) const {
    pollfd fds[] = {{fd, events, 0}, {m_stopPipe[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return fds[1].revents == 0;
}

std::string LoopbackHttpServer::readRequest(int connection) const {
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos && waitFor(connection, POLLIN)) {
        const ssize_t count = ::recv(connection, buffer, sizeof(buffer), 0);
        if (count <= 0) {
            break;
        }
        request.append(buffer, static_cast<std::size_t>(count));
    }
    return request;
}

void LoopbackHttpServer::writeAll(int connection, const std::string& bytes) const {
    for (std::size_t sent = 0; sent < bytes.size() && waitFor(connection, POLLOUT);) {
        const ssize_t count = ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(count);
    }
}
