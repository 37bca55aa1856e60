#pragma once

#include "support/LoopbackHost.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

namespace testing_support {

// An IPv4 socket made with the system's own calls (POSIX, or Windows Sockets on Windows), so that
// the stations and servers of the tests never depend on the code under test. Owns its socket and
// closes it when it goes. Each system's implementation sits in its own folder; CMake picks one.
class PlainSocket {
public:
    using Handle = std::intptr_t;
    static constexpr Handle kNone = -1;

    // A new socket; an invalid one when the system gives none.
    static PlainSocket tcp();
    static PlainSocket udp();

    PlainSocket() = default;
    explicit PlainSocket(Handle handle) : m_handle(handle) {}
    PlainSocket(PlainSocket&& other) noexcept : m_handle(std::exchange(other.m_handle, kNone)) {}
    PlainSocket& operator=(PlainSocket&& other) noexcept {
        reset(std::exchange(other.m_handle, kNone));
        return *this;
    }
    PlainSocket(const PlainSocket&) = delete;
    PlainSocket& operator=(const PlainSocket&) = delete;
    ~PlainSocket() { reset(); }

    bool valid() const { return m_handle != kNone; }
    Handle get() const { return m_handle; }
    // Closes the socket held, if any, and holds the one given.
    void reset(Handle handle = kNone);

    // Binds to host:port (port 0: one the system picks) and answers the port bound, 0 on failure.
    std::uint16_t bind(std::uint32_t host = loopbackHost(), std::uint16_t port = 0);
    bool connect(std::uint16_t port, std::uint32_t host = loopbackHost());
    bool listen(int backlog);
    PlainSocket accept();
    void setNonBlocking();
    void shutdownWrite();
    // Closing then resets the connection (SO_LINGER 0) instead of ending it.
    void resetOnClose();

    // The bytes taken now, or -1. Writing to a closed connection raises no signal.
    std::ptrdiff_t send(std::string_view bytes);
    std::ptrdiff_t sendTo(std::uint16_t port, std::string_view bytes);
    // count > 0: bytes read; 0: the end of the stream; -1: nothing now, or the connection reset.
    // Blocks unless the socket is non-blocking or was found ready.
    struct Received {
        std::ptrdiff_t count = -1;
        bool reset = false;
    };
    Received receive(char* buffer, std::size_t size);

    // Blocks until this socket can be read (or written), or until `stop` can be read; false then.
    bool waitUntilReady(bool forWriting, const PlainSocket& stop) const;

    // The system's number for the calling thread's last failure, for messages.
    static int lastError();

private:
    Handle m_handle = kNone;
};

} // namespace testing_support
