#pragma once

#include <cstdint>
#include <optional>

// The published bits of the connection flag word; any other bit carries no meaning here.
constexpr std::uint32_t INTERNET_CONNECTION_MODEM = 1;
constexpr std::uint32_t INTERNET_CONNECTION_LAN = 2;
constexpr std::uint32_t INTERNET_CONNECTION_PROXY = 4;
constexpr std::uint32_t INTERNET_CONNECTION_MODEM_BUSY = 8;
constexpr std::uint32_t INTERNET_CONNECTION_OFFLINE = 32;

// How the computer is connected, as a connection flag word, read from the kernel's routing table
// over netlink: no bus, no daemon. Tests derive from it to stand in a state of their own.
class ConnectionState {
public:
    virtual ~ConnectionState() = default;

    // The flag word, or nothing when the platform cannot tell (the routing table cannot be read).
    virtual std::optional<std::uint32_t> connectedFlags() const;

    // A default route, IPv4 or IPv6, is a LAN connection. Without one the computer reaches at most
    // its own networks, which sets no connection flag; a table that could not be read cannot tell.
    static std::optional<std::uint32_t> flagsFor(std::optional<bool> hasDefaultRoute);
};
