#include "UdpPeer.h"

#include "support/EventLoop.h"
#include "support/LoopbackAddress.h"

#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

UdpPeer::UdpPeer()
    : m_descriptor(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)),
      m_port(bindToLoopback(m_descriptor.get())) {}

bool UdpPeer::sendTo(std::uint16_t port, const std::string& bytes) {
    const sockaddr_in address = loopbackAddress(port);
    return ::sendto(m_descriptor.get(), bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&address),
                    sizeof(address)) == static_cast<ssize_t>(bytes.size());
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
    ssize_t received = 0;
    while ((received = ::recv(m_descriptor.get(), buffer, sizeof(buffer), 0)) >= 0) {
        m_datagrams.emplace_back(buffer, static_cast<std::size_t>(received));
    }
}

} // namespace testing_support
