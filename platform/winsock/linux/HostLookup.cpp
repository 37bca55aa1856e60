#include "Winsock.h"

#include "PendingLookups.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <map>

namespace winsock {

namespace {

struct PendingLookup {
    win::WindowHandle window;
    win::MessageId message;
    char* buffer;
    int bufferLength;
};

struct LookupState {
    QObject context; // receives the resolver's answers on the GUI thread
    std::map<AsyncHandle, PendingLookup> pending;
    AsyncHandle lastHandle = 0;
};

LookupState& state() {
    static auto* instance = new LookupState; // lives as long as the process
    return *instance;
}

// Lays out a host entry, its alias and address lists, the address and the name in
// the caller's block; answers the length used, or 0 when the block is too small.
int writeHostEntry(char* buffer, int bufferLength, const std::string& name, std::uint32_t address) {
    const std::size_t aliasesAt = sizeof(HostEntry);
    const std::size_t addressListAt = aliasesAt + sizeof(char*);
    const std::size_t addressAt = addressListAt + 2 * sizeof(char*);
    const std::size_t nameAt = addressAt + sizeof(address);
    const std::size_t used = nameAt + name.size() + 1;
    if (used > static_cast<std::size_t>(bufferLength)) {
        return 0;
    }
    char* const nullPointer = nullptr;
    char* const addressPointer = buffer + addressAt;
    std::memcpy(buffer + aliasesAt, &nullPointer, sizeof(char*));
    std::memcpy(buffer + addressListAt, &addressPointer, sizeof(char*));
    std::memcpy(buffer + addressListAt + sizeof(char*), &nullPointer, sizeof(char*));
    std::memcpy(buffer + addressAt, &address, sizeof(address));
    std::memcpy(buffer + nameAt, name.c_str(), name.size() + 1);
    const HostEntry entry{buffer + nameAt, reinterpret_cast<char**>(buffer + aliasesAt), kAfInet, 4,
                          reinterpret_cast<char**>(buffer + addressListAt)};
    std::memcpy(buffer, &entry, sizeof(entry));
    return static_cast<int>(used);
}

int lookupError(const QHostInfo& info) {
    switch (info.error()) {
    case QHostInfo::NoError: return 0;
    case QHostInfo::HostNotFound: return kWsaHostNotFound;
    default: return kWsaTryAgain;
    }
}

void complete(AsyncHandle handle, const QHostInfo& info) {
    auto& pending = state().pending;
    const auto found = pending.find(handle);
    if (found == pending.end()) {
        return; // cancelled
    }
    const PendingLookup lookup = found->second;
    pending.erase(found);

    int error = lookupError(info);
    int length = 0;
    if (error == 0) {
        const auto addresses = info.addresses();
        const auto ipv4 = std::find_if(addresses.begin(), addresses.end(), [](const QHostAddress& address) {
            return address.protocol() == QAbstractSocket::IPv4Protocol;
        });
        if (ipv4 == addresses.end()) {
            error = kWsaNoData;
        } else {
            const std::uint32_t networkOrder = qToBigEndian(ipv4->toIPv4Address());
            length = writeHostEntry(lookup.buffer, lookup.bufferLength, info.hostName().toStdString(), networkOrder);
            error = length == 0 ? kWsaENoBuffers : 0;
        }
    }
    const auto lParam = static_cast<win::LParam>(static_cast<std::uint32_t>(length & 0xFFFF) |
                                                 (static_cast<std::uint32_t>(error) << 16));
    win::postMessage(lookup.window, lookup.message, static_cast<win::WParam>(handle), lParam);
}

} // namespace

Result asyncGetHostByName(win::WindowHandle window, win::MessageId message, const std::string& name, char* buffer,
                          int bufferLength) {
    if (!isStarted()) {
        return {0, kWsaNotInitialised};
    }
    if (buffer == nullptr || bufferLength <= 0 || !win::isWindow(window)) {
        return {0, buffer == nullptr ? kWsaEFault : kWsaEInvalid};
    }
    auto& lookups = state();
    const AsyncHandle handle = lookups.lastHandle = lookups.lastHandle == INT32_MAX ? 1 : lookups.lastHandle + 1;
    // Entered before the look-up starts, in case the resolver answers at once.
    lookups.pending[handle] = PendingLookup{window, message, buffer, bufferLength};
    PendingLookups::started();
    QHostInfo::lookupHost(QString::fromLatin1(name.c_str()), &lookups.context, [handle](const QHostInfo& info) {
        PendingLookups::finished();
        complete(handle, info);
    });
    return {handle, 0};
}

Result cancelAsyncRequest(AsyncHandle handle) {
    auto& pending = state().pending;
    const auto found = pending.find(handle);
    if (found == pending.end()) {
        return Result::failure(kWsaEInvalid);
    }
    // The resolver's answer still comes and finds nothing to complete. Aborting the Qt
    // look-up instead would leak its callback (Qt 6.4) and cannot stop a running one.
    pending.erase(found);
    return {};
}

} // namespace winsock
