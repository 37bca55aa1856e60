#pragma once

#include "CSocket.h"
#include "RuntimeError.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace testing_support {

// The local port the object's socket is bound to, as the kernel reports it.
inline std::uint16_t boundPort(const CSocket& socket) {
    winsock::SocketAddressIn address;
    winsock::getSockName(socket.SocketHandle(), address);
    return winsock::networkToHost16(address.port);
}

// The error the operation raises; a test failure when it raises none.
template <typename Operation> RuntimeError failureOf(Operation&& operation) {
    try {
        operation();
    } catch (const RuntimeError& error) {
        return error;
    }
    ADD_FAILURE() << "no error was raised";
    return RuntimeError({});
}

} // namespace testing_support
