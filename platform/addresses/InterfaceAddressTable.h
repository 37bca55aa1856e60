#pragma once

#include <array>
#include <cstdint>
#include <vector>

// An IPv4 address as its four bytes in network order: the first byte is the first number.
using Ipv4Address = std::array<std::uint8_t, 4>;

// The computer's IPv4 interface address table: one row per address, in the kernel's order.
// Tests derive from it to stand in a table of their own.
class InterfaceAddressTable {
public:
    virtual ~InterfaceAddressTable() = default;

    // Every IPv4 row the kernel reports; none when it cannot deliver the table.
    virtual std::vector<Ipv4Address> rows() const;
};
