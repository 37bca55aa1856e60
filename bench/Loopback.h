#pragma once

#include "support/FileDescriptor.h"

#include <cstdint>

// A non-blocking TCP connect to 127.0.0.1 as it stands right after connect(): error is 0 when
// connected, EINPROGRESS while the handshake is pending, otherwise why it failed at once.
struct ConnectStart {
    FileDescriptor socket;
    int error = 0;
};

ConnectStart startLoopbackConnect(std::uint16_t port);

// The outcome of a pending connect once its socket is writable (SO_ERROR).
int pendingConnectError(int fd);

// Whether something on 127.0.0.1 accepts a connection on the port now; the connection is closed at once.
bool acceptsConnections(std::uint16_t port);
