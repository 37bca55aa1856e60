#include "UdpPeer.h"

#include "support/EventLoop.h"

namespace testing_support {

UdpPeer::UdpPeer() : m_socket(PlainSocket::udp()), m_port(m_socket.bind()) {
    m_socket.setNonBlocking();
}

bool UdpPeer::sendTo(std::uint16_t port, const std::string& bytes) {
    return m_socket.sendTo(port, bytes) == static_cast<std::ptrdiff_t>(bytes.size());
}

bool UdpPeer::waitForDatagrams(std::size_t count, std::chrono::milliseconds deadline) {
    return waitUntil(
        [this, count] {
            pump();
            return m_datagrams.size() >= count;
        },
        deadline);
}

void UdpPeer::pump() {
    char buffer[65536];
    PlainSocket::Received received;
    while ((received = m_socket.receive(buffer, sizeof(buffer))).count >= 0) {
        m_datagrams.emplace_back(buffer, static_cast<std::size_t>(received.count));
    }
}

} // namespace testing_support
