#pragma once

#include "support/LoopbackHost.h"

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>

namespace testing_support {

// The address of a port on a loopback host, 127.0.0.1 unless told.
inline sockaddr_in loopbackAddress(std::uint16_t port, std::uint32_t host = loopbackHost()) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(host);
    return address;
}

// Binds the descriptor to 127.0.0.1 and an ephemeral port, and answers that port.
inline std::uint16_t bindToLoopback(int descriptor) {
    sockaddr_in address = loopbackAddress(0);
    ::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    ::getsockname(descriptor, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

} // namespace testing_support
