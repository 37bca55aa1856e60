#pragma once

#include <QNetworkInformation>
#include <cstdint>
#include <optional>

// The published bits of the connection flag word; any other bit carries no meaning here.
constexpr std::uint32_t INTERNET_CONNECTION_MODEM = 1;
constexpr std::uint32_t INTERNET_CONNECTION_LAN = 2;
constexpr std::uint32_t INTERNET_CONNECTION_PROXY = 4;
constexpr std::uint32_t INTERNET_CONNECTION_MODEM_BUSY = 8;
constexpr std::uint32_t INTERNET_CONNECTION_OFFLINE = 32;

// How the computer is connected, as a connection flag word, read from Qt's network information
// backend. Tests derive from it to stand in a state of their own.
class ConnectionState {
public:
    virtual ~ConnectionState() = default;

    // The flag word, or nothing when the platform cannot tell (no backend, or reachability unknown).
    virtual std::optional<std::uint32_t> connectedFlags() const;

    // Online is a LAN connection and disconnected is offline. A local or site network without a route
    // to the internet sets no connection flag at all; an unknown reachability cannot tell.
    static std::optional<std::uint32_t> flagsFor(QNetworkInformation::Reachability reachability);
};
