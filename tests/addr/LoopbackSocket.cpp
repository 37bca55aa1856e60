#include "LoopbackSocket.h"

#include <system_error>

using testing_support::PlainSocket;

namespace {
[[noreturn]] void failWith(const char* operation) {
    throw std::system_error(PlainSocket::lastError(), std::system_category(), operation);
}
} // namespace

LoopbackSocket::LoopbackSocket() : m_socket(PlainSocket::tcp()) {
    if (!m_socket.valid()) {
        failWith("socket");
    }
    m_port = m_socket.bind();
    if (m_port == 0) {
        failWith("bind");
    }
}

std::string LoopbackSocket::pageAddress() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/";
}

void LoopbackSocket::listen() {
    if (!m_socket.listen(128)) {
        failWith("listen");
    }
}
