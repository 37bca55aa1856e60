#pragma once

#include "SocketEntry.h"

#include <map>
#include <memory>

namespace winsock {

// The open sockets by handle. Handles count upwards and are not reused until the
// count wraps, unlike descriptors, which the kernel reuses at once.
class SocketTable {
public:
    static SocketTable& instance();

    Socket add(int descriptor, int type);
    SocketEntry* find(Socket handle) const;
    // Forgets the socket and closes its descriptor: 0, the errno of a failed close, or -1
    // when the handle is unknown.
    int remove(Socket handle);
    std::size_t size() const { return m_entries.size(); }

private:
    Socket nextHandle();

    std::map<Socket, std::unique_ptr<SocketEntry>> m_entries;
    Socket m_lastHandle = 0;
};

} // namespace winsock
