#include "support/LoopbackPeer.h"

#include "support/EventLoop.h"

namespace testing_support {

std::unique_ptr<LoopbackPeer> LoopbackPeer::connectTo(std::uint16_t port, std::uint32_t fromHost) {
    PlainSocket socket = PlainSocket::tcp();
    socket.bind(fromHost);
    if (!socket.connect(port)) {
        return nullptr;
    }
    socket.setNonBlocking();
    return std::unique_ptr<LoopbackPeer>(new LoopbackPeer(std::move(socket)));
}

bool LoopbackPeer::send(const std::string& bytes) {
    return m_socket.send(bytes) == static_cast<std::ptrdiff_t>(bytes.size());
}

std::size_t LoopbackPeer::sendSome(std::string_view bytes) {
    const std::ptrdiff_t sent = m_socket.send(bytes);
    return sent > 0 ? static_cast<std::size_t>(sent) : 0;
}

void LoopbackPeer::shutdownWrite() {
    m_socket.shutdownWrite();
}

void LoopbackPeer::reset() {
    m_socket.resetOnClose();
    close();
}

void LoopbackPeer::close() {
    m_socket.reset();
}

void LoopbackPeer::pump() {
    char buffer[4096];
    while (m_socket.valid() && !m_ended) {
        const PlainSocket::Received received = m_socket.receive(buffer, sizeof(buffer));
        if (received.count > 0) {
            m_received.append(buffer, static_cast<std::size_t>(received.count));
        } else if (received.count == 0) {
            m_ended = true;
        } else {
            if (received.reset) {
                m_wasReset = true;
                m_ended = true;
            }
            return;
        }
    }
}

bool LoopbackPeer::waitForEnd(std::chrono::milliseconds deadline) {
    return waitUntil(
        [this] {
            pump();
            return m_ended;
        },
        deadline);
}

bool LoopbackPeer::waitForBytes(std::size_t count, std::chrono::milliseconds deadline) {
    return waitUntil(
        [this, count] {
            pump();
            return m_received.size() >= count;
        },
        deadline);
}

std::string requestReply(std::uint16_t port, std::chrono::milliseconds deadline, std::uint32_t fromHost) {
    std::string reply;
    waitUntil(
        [&] {
            auto station = LoopbackPeer::connectTo(port, fromHost);
            if (!station || !station->waitForEnd(std::chrono::seconds(2))) {
                return false;
            }
            reply = station->received();
            return !reply.empty();
        },
        deadline);
    return reply;
}

PortHolder::PortHolder() : m_socket(PlainSocket::tcp()), m_port(m_socket.bind()) {
    m_socket.listen(5);
}

} // namespace testing_support
