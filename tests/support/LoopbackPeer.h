#pragma once

#include "support/LoopbackHost.h"
#include "support/PlainSocket.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace testing_support {

// A station on a loopback address, 127.0.0.1 unless told, made of a PlainSocket so that it never depends on
// the code under test. Reads never block: pump() takes whatever has arrived, so a
// test can spin the event loop (which runs the server) while it waits.
class LoopbackPeer {
public:
    // Connects from the loopback host to 127.0.0.1:port; a listening socket completes the
    // handshake without any help from its owner. nullptr when refused.
    static std::unique_ptr<LoopbackPeer> connectTo(std::uint16_t port, std::uint32_t fromHost = loopbackHost());
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    bool send(const std::string& bytes);
    // Sends as much of the bytes as the kernel takes now; answers how many that was.
    std::size_t sendSome(std::string_view bytes);
    void shutdownWrite();
    // Closes with SO_LINGER 0, so the server sees a reset.
    void reset();
    void close();

    // Reads what has arrived; after the end of the stream ended() is true.
    void pump();
    const std::string& received() const { return m_received; }
    bool ended() const { return m_ended; }
    bool wasReset() const { return m_wasReset; }
    // Spins the event loop until the stream ends; false at the deadline.
    bool waitForEnd(std::chrono::milliseconds deadline = std::chrono::seconds(5));
    bool waitForBytes(std::size_t count, std::chrono::milliseconds deadline = std::chrono::seconds(5));

private:
    explicit LoopbackPeer(PlainSocket socket) : m_socket(std::move(socket)) {}
    PlainSocket m_socket;
    std::string m_received;
    bool m_ended = false;
    bool m_wasReset = false;
};

// What a station on the loopback host asking 127.0.0.1:port gets, retrying the way real
// stations do while nothing listens or its connection is dropped unanswered; empty at the deadline.
std::string requestReply(std::uint16_t port, std::chrono::milliseconds deadline = std::chrono::seconds(5),
                         std::uint32_t fromHost = loopbackHost());

// A plain TCP listener on 127.0.0.1 and an ephemeral port, holding the port for tests
// that need it taken.
class PortHolder {
public:
    PortHolder();
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;
    std::uint16_t port() const { return m_port; }

private:
    PlainSocket m_socket;
    std::uint16_t m_port = 0;
};

// Reserves a port for a server under test, one nobody else is handed. On Linux an ephemeral port
// held by a socket bound with SO_REUSEADDR that never listens, so the server can still bind and
// listen on it; on Windows, where that would bar the server, a port outside the ephemeral range.
class ReservedPort {
public:
    ReservedPort();
    ReservedPort(const ReservedPort&) = delete;
    ReservedPort& operator=(const ReservedPort&) = delete;
    std::uint16_t port() const { return m_port; }

private:
    PlainSocket m_socket;
    std::uint16_t m_port = 0;
};

// A second listener taking an already reserved port, as another program would.
class RivalListener {
public:
    explicit RivalListener(std::uint16_t port);
    RivalListener(const RivalListener&) = delete;
    RivalListener& operator=(const RivalListener&) = delete;
    bool listening() const { return m_listening; }

private:
    PlainSocket m_socket;
    bool m_listening = false;
};

} // namespace testing_support
