#include "IpAddressRows.h"

#include <winsock2.h>

#include <iphlpapi.h>
#include <windows.h>

// The table is asked for twice, as its size may change between the two calls; a second answer
// that the buffer is too small is taken as no table.
std::vector<std::uint32_t> ipAddressRows() {
    ULONG size = 0;
    if (GetIpAddrTable(nullptr, &size, FALSE) != ERROR_INSUFFICIENT_BUFFER || size == 0) {
        return {};
    }
    std::vector<unsigned char> buffer(size);
    auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    if (GetIpAddrTable(table, &size, FALSE) != NO_ERROR) {
        return {};
    }
    std::vector<std::uint32_t> rows;
    rows.reserve(table->dwNumEntries);
    for (DWORD index = 0; index < table->dwNumEntries; ++index) {
        rows.push_back(table->table[index].dwAddr);
    }
    return rows;
}
