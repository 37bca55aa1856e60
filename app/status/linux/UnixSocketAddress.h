#pragma once

#include <QByteArray>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>

// The address of a local socket file; none when the path does not fit (108 bytes with its end).
inline std::optional<sockaddr_un> unixSocketAddress(const QByteArray& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof(address.sun_path)) {
        return std::nullopt;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    return address;
}
