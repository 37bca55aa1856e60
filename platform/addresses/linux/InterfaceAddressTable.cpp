#include "InterfaceAddressTable.h"

#include <cstring>
#include <ifaddrs.h>
#include <memory>
#include <netinet/in.h>

std::vector<Ipv4Address> InterfaceAddressTable::rows() const {
    ifaddrs* first = nullptr;
    if (getifaddrs(&first) != 0) {
        return {};
    }
    const std::unique_ptr<ifaddrs, decltype(&freeifaddrs)> list(first, &freeifaddrs);
    std::vector<Ipv4Address> rows;
    for (const ifaddrs* entry = list.get(); entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        // sin_addr is stored in network order, so its bytes copy across unchanged.
        const auto* inet = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        Ipv4Address address{};
        std::memcpy(address.data(), &inet->sin_addr.s_addr, address.size());
        rows.push_back(address);
    }
    return rows;
}
