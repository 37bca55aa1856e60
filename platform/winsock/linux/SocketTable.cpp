#include "SocketTable.h"

#include <limits>

namespace winsock {

SocketTable& SocketTable::instance() {
    static SocketTable table;
    return table;
}

Socket SocketTable::add(int descriptor, int type) {
    const Socket handle = nextHandle();
    m_entries.emplace(handle, std::make_unique<SocketEntry>(handle, descriptor, type));
    return handle;
}

SocketEntry* SocketTable::find(Socket handle) const {
    const auto found = m_entries.find(handle);
    return found == m_entries.end() ? nullptr : found->second.get();
}

int SocketTable::remove(Socket handle) {
    const auto found = m_entries.find(handle);
    if (found == m_entries.end()) {
        return -1;
    }
    const std::unique_ptr<SocketEntry> entry = std::move(found->second);
    m_entries.erase(found);
    return entry->close();
}

Socket SocketTable::nextHandle() {
    do {
        m_lastHandle = m_lastHandle == std::numeric_limits<Socket>::max() ? 1 : m_lastHandle + 1;
    } while (m_entries.count(m_lastHandle) != 0);
    return m_lastHandle;
}

} // namespace winsock
