#pragma once

#include "support/PlainSocket.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A UDP endpoint on 127.0.0.1 and an ephemeral port, made of a PlainSocket so that it
// never depends on the code under test. Reads never block, so a test can spin
// the event loop while it waits for datagrams.
class UdpPeer {
public:
    UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    std::uint16_t port() const { return m_port; }
    // Sends one datagram to 127.0.0.1:port.
    bool sendTo(std::uint16_t port, const std::string& bytes);
    // Spins the event loop until `count` datagrams have arrived; false at the deadline.
    bool waitForDatagrams(std::size_t count, std::chrono::milliseconds deadline = std::chrono::seconds(5));
    const std::vector<std::string>& datagrams() const { return m_datagrams; }

private:
    void pump();
    PlainSocket m_socket;
    std::uint16_t m_port = 0;
    std::vector<std::string> m_datagrams;
};

} // namespace testing_support
