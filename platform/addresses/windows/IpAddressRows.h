#pragma once

#include <cstdint>
#include <vector>

// The IPv4 addresses of the IP Helper's address table, each as stored (network order), in the
// table's order; none when the table cannot be read. Kept apart from InterfaceAddressTable.h,
// whose Ipv4Address the IP Helper's headers also define.
std::vector<std::uint32_t> ipAddressRows();
