#include "InterfaceAddressTable.h"

#include "IpAddressRows.h"

#include <cstring>

std::vector<Ipv4Address> InterfaceAddressTable::rows() const {
    std::vector<Ipv4Address> rows;
    for (const std::uint32_t stored : ipAddressRows()) {
        // Stored in network order, so the bytes copy across unchanged.
        Ipv4Address address{};
        std::memcpy(address.data(), &stored, address.size());
        rows.push_back(address);
    }
    return rows;
}
