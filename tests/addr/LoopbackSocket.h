#pragma once

#include "support/PlainSocket.h"

#include <cstdint>
#include <string>

// A TCP socket bound to 127.0.0.1 on a port the kernel picks. Until listen() is called the port is
// held but closed, so connections to it are refused.
class LoopbackSocket {
public:
    LoopbackSocket();

    testing_support::PlainSocket& socket() { return m_socket; }
    // The root page of an HTTP server on this port.
    std::string pageAddress() const;
    void listen();

private:
    testing_support::PlainSocket m_socket;
    std::uint16_t m_port = 0;
};
