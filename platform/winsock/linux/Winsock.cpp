#include "Winsock.h"

#include "SocketTable.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace winsock {

namespace {

// Linux's largest IPv4 UDP payload: 65535 less the IP and UDP headers.
constexpr std::uint16_t kMaxUdpDatagram = 65507;

int g_startCount = 0;

Result fail(int wsaError) {
    return Result::failure(wsaError);
}

// Reads errno at once: any later call, into Qt or the C library, may overwrite it.
Result failFromErrno() {
    return fail(errorFromErrno(errno));
}

Result succeed(int value = 0) {
    return {value, 0};
}

const Result kNotASocket = Result::failure(kWsaENotSocket);

SocketEntry* findEntry(Socket socket) {
    return SocketTable::instance().find(socket);
}

sockaddr_in toPosix(const SocketAddressIn& address) {
    sockaddr_in posix{};
    posix.sin_family = static_cast<sa_family_t>(address.family == kAfInet ? AF_INET : address.family);
    posix.sin_port = address.port;
    posix.sin_addr.s_addr = address.address;
    return posix;
}

SocketAddressIn fromPosix(const sockaddr_in& posix) {
    SocketAddressIn address;
    address.family = kAfInet;
    address.port = posix.sin_port;
    address.address = posix.sin_addr.s_addr;
    return address;
}

bool toPosixOption(int level, int name, int& posixLevel, int& posixName) {
    if (level != kSolSocket) {
        return false;
    }
    posixLevel = SOL_SOCKET;
    switch (name) {
    case kSoBroadcast: posixName = SO_BROADCAST; return true;
    case kSoRcvBuf: posixName = SO_RCVBUF; return true;
    case kSoType: posixName = SO_TYPE; return true;
    default: return false;
    }
}

// Keeps one descriptor in reserve so that a connection can still be taken off the
// queue and dropped when the process runs out of descriptors; otherwise the listener
// would stay readable and be reported again and again.
int g_spareDescriptor = -1;

void reserveSpareDescriptor() {
    if (g_spareDescriptor < 0) {
        g_spareDescriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    }
}

void dropOneConnection(int listener) {
    if (g_spareDescriptor >= 0) {
        ::close(g_spareDescriptor);
        g_spareDescriptor = -1;
        const int dropped = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (dropped >= 0) {
            ::close(dropped);
        }
        reserveSpareDescriptor();
    }
}

} // namespace

int startup(std::uint16_t requestedVersion, StartupData& data) {
    if ((requestedVersion & 0xFF) < 1) {
        return 10092;
    }
    ++g_startCount;
    reserveSpareDescriptor();
    data.version = 0x0101;
    data.highVersion = 0x0202;
    data.maxSockets = 0;
    data.maxUdpDatagram = kMaxUdpDatagram;
    return 0;
}

Result cleanup() {
    if (g_startCount == 0) {
        return fail(kWsaNotInitialised);
    }
    if (--g_startCount == 0 && g_spareDescriptor >= 0) {
        ::close(g_spareDescriptor); // the last user has gone: nothing is left open
        g_spareDescriptor = -1;
    }
    return succeed();
}

bool isStarted() {
    return g_startCount > 0;
}

Result socket(int family, int type, int protocol) {
    if (!isStarted()) {
        return fail(kWsaNotInitialised);
    }
    if (family != kAfInet) {
        return fail(10047);
    }
    int posixType = 0;
    if (type == kSockStream && (protocol == 0 || protocol == kIpProtoTcp)) {
        posixType = SOCK_STREAM;
    } else if (type == kSockDgram && (protocol == 0 || protocol == kIpProtoUdp)) {
        posixType = SOCK_DGRAM;
    } else {
        return fail(type == kSockStream || type == kSockDgram ? 10043 : 10044);
    }
    const int descriptor = ::socket(AF_INET, posixType | SOCK_CLOEXEC, 0);
    if (descriptor < 0) {
        return failFromErrno();
    }
    if (posixType == SOCK_STREAM) {
        // Windows lets a listener bind its port while earlier connections on it sit
        // in TIME_WAIT; Linux needs SO_REUSEADDR for that. A live listener still wins.
        const int on = 1;
        ::setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    }
    return succeed(SocketTable::instance().add(descriptor, type));
}

Result closeSocket(Socket socket) {
    const int closeError = SocketTable::instance().remove(socket);
    if (closeError < 0) {
        return kNotASocket;
    }
    return closeError == 0 ? succeed() : fail(errorFromErrno(closeError));
}

Result bind(Socket socket, const SocketAddressIn& address) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    const sockaddr_in posix = toPosix(address);
    if (::bind(entry->descriptor(), reinterpret_cast<const sockaddr*>(&posix), sizeof(posix)) != 0) {
        return failFromErrno();
    }
    return succeed();
}

Result listen(Socket socket, int backlog) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    // Windows refuses connections beyond a full queue; Linux instead leaves them
    // half-open, so a station waits for a reply that never comes. With the kernel's
    // largest queue every station is queued, and one its owner does not take is reset
    // when the listener closes: the station retries, as after a refusal.
    if (::listen(entry->descriptor(), std::max(backlog, SOMAXCONN)) != 0) {
        return failFromErrno();
    }
    entry->markListening();
    return succeed();
}

Result accept(Socket socket, SocketAddressIn* peer) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    sockaddr_in posix{};
    socklen_t length = sizeof(posix);
    const int descriptor =
        ::accept4(entry->descriptor(), reinterpret_cast<sockaddr*>(&posix), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    const int acceptError = errno;
    if (descriptor < 0 && (acceptError == EMFILE || acceptError == ENFILE)) {
        dropOneConnection(entry->descriptor());
    }
    entry->rearmRead();
    if (descriptor < 0) {
        return fail(errorFromErrno(acceptError));
    }
    const SocketAddressIn from = fromPosix(posix);
    if (peer != nullptr) {
        *peer = from;
    }
    const Socket accepted = SocketTable::instance().add(descriptor, kSockStream);
    SocketTable::instance().find(accepted)->markAccepted(from);
    return succeed(accepted);
}

Result connect(Socket socket, const SocketAddressIn& address) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    // Linux answers 0 to the first connect after a non-blocking one has completed;
    // Windows Sockets says the socket is busy or already connected.
    if (entry->isStream() && (entry->isConnecting() || entry->isConnected())) {
        return fail(entry->isConnecting() ? kWsaEAlready : kWsaEIsConnected);
    }
    const sockaddr_in posix = toPosix(address);
    const int result = ::connect(entry->descriptor(), reinterpret_cast<const sockaddr*>(&posix), sizeof(posix));
    const int connectError = result == 0 ? 0 : errno;
    const bool nonBlocking = (::fcntl(entry->descriptor(), F_GETFL) & O_NONBLOCK) != 0;
    if (!nonBlocking || !entry->isStream()) {
        return result == 0 ? succeed() : fail(errorFromErrno(connectError));
    }
    // A non-blocking stream connect always "would block" and completes through the
    // connect notification, also when loopback settles it inside the call.
    switch (connectError) {
    case EINPROGRESS: entry->connectStarted(); break;
    case 0: entry->connectFinished(0); break;
    case ECONNREFUSED:
    case ETIMEDOUT:
    case ECONNRESET: entry->connectFinished(errorFromErrno(connectError)); break;
    default: return fail(errorFromErrno(connectError));
    }
    return fail(kWsaEWouldBlock);
}

Result shutdown(Socket socket, int how) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    const int posixHow = how == 0 ? SHUT_RD : (how == kSdSend ? SHUT_WR : SHUT_RDWR);
    if (::shutdown(entry->descriptor(), posixHow) != 0) {
        return failFromErrno();
    }
    return succeed();
}

namespace {
// A send the kernel could not take in full leaves the rest to the next write
// notification, exactly as one that would block: either way one is owed.
Result sendResult(SocketEntry* entry, ssize_t sent, int length) {
    if (sent >= 0) {
        if (sent < length) {
            entry->awaitWritable();
        }
        return succeed(static_cast<int>(sent));
    }
    const Result failed = failFromErrno();
    if (failed.error == kWsaEWouldBlock) {
        entry->awaitWritable();
    }
    return failed;
}
} // namespace

Result send(Socket socket, const char* data, int length, int flags) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    if (length < 0) {
        return fail(kWsaEInvalid);
    }
    const int posixFlags = (flags & MSG_OOB) | MSG_NOSIGNAL;
    return sendResult(entry, ::send(entry->descriptor(), data, static_cast<size_t>(length), posixFlags), length);
}

Result sendTo(Socket socket, const char* data, int length, int flags, const SocketAddressIn& to) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    if (length < 0) {
        return fail(kWsaEInvalid);
    }
    const sockaddr_in posix = toPosix(to);
    const int posixFlags = (flags & MSG_OOB) | MSG_NOSIGNAL;
    return sendResult(entry,
                      ::sendto(entry->descriptor(), data, static_cast<size_t>(length), posixFlags,
                               reinterpret_cast<const sockaddr*>(&posix), sizeof(posix)),
                      length);
}

Result recv(Socket socket, char* buffer, int length, int flags) {
    return recvFrom(socket, buffer, length, flags, nullptr);
}

Result recvFrom(Socket socket, char* buffer, int length, int flags, SocketAddressIn* from) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    if (length < 0 || (length > 0 && buffer == nullptr)) {
        return fail(kWsaEFault);
    }
    sockaddr_in posix{};
    socklen_t addressLength = sizeof(posix);
    const ssize_t received =
        ::recvfrom(entry->descriptor(), buffer, static_cast<size_t>(length), flags & (MSG_OOB | MSG_PEEK),
                   reinterpret_cast<sockaddr*>(&posix), &addressLength);
    const int receiveError = errno;
    entry->rearmRead();
    if (received < 0) {
        return fail(errorFromErrno(receiveError));
    }
    if (from != nullptr) {
        *from = fromPosix(posix);
    }
    return succeed(static_cast<int>(received));
}

namespace {
using NameQuery = int (*)(int, sockaddr*, socklen_t*);

Result queryName(Socket socket, SocketAddressIn& address, NameQuery query) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    sockaddr_in posix{};
    socklen_t length = sizeof(posix);
    if (query(entry->descriptor(), reinterpret_cast<sockaddr*>(&posix), &length) != 0) {
        return failFromErrno();
    }
    address = fromPosix(posix);
    return succeed();
}
} // namespace

Result getSockName(Socket socket, SocketAddressIn& address) {
    return queryName(socket, address, &::getsockname);
}

Result getPeerName(Socket socket, SocketAddressIn& address) {
    return queryName(socket, address, &::getpeername);
}

Result getAcceptedPeerName(Socket socket, SocketAddressIn& address) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    if (!entry->acceptedPeer()) {
        return fail(kWsaENotConnected);
    }
    address = *entry->acceptedPeer();
    return succeed();
}

Result getSockOpt(Socket socket, int level, int name, std::int32_t& value) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    int posixLevel = 0;
    int posixName = 0;
    if (!toPosixOption(level, name, posixLevel, posixName)) {
        return fail(10042);
    }
    int posixValue = 0;
    socklen_t length = sizeof(posixValue);
    if (::getsockopt(entry->descriptor(), posixLevel, posixName, &posixValue, &length) != 0) {
        return failFromErrno();
    }
    value = posixName == SO_TYPE ? (posixValue == SOCK_STREAM ? kSockStream : kSockDgram) : posixValue;
    return succeed();
}

Result setSockOpt(Socket socket, int level, int name, std::int32_t value) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    int posixLevel = 0;
    int posixName = 0;
    if (!toPosixOption(level, name, posixLevel, posixName) || posixName == SO_TYPE) {
        return fail(10042);
    }
    const int posixValue = value;
    if (::setsockopt(entry->descriptor(), posixLevel, posixName, &posixValue, sizeof(posixValue)) != 0) {
        return failFromErrno();
    }
    return succeed();
}

std::uint16_t hostToNetwork16(std::uint16_t value) {
    return htons(value);
}

std::uint16_t networkToHost16(std::uint16_t value) {
    return ntohs(value);
}

std::uint32_t inetAddr(const std::string& text) {
    return ::inet_addr(text.c_str());
}

std::string inetNtoa(std::uint32_t address) {
    in_addr posix{};
    posix.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &posix, text, sizeof(text));
    return text;
}

bool hostNameByAddress(std::uint32_t address, std::string& name) {
    sockaddr_in posix{};
    posix.sin_family = AF_INET;
    posix.sin_addr.s_addr = address;
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&posix), sizeof(posix), host, sizeof(host), nullptr, 0,
                      NI_NAMEREQD) != 0) {
        return false;
    }
    name = host;
    return true;
}

Result asyncSelect(Socket socket, win::WindowHandle window, win::MessageId message, std::int32_t events) {
    SocketEntry* entry = findEntry(socket);
    if (entry == nullptr) {
        return kNotASocket;
    }
    if (events != 0 && !win::isWindow(window)) {
        return fail(kWsaEInvalid);
    }
    // A socket left blocking would stall the event loop on its first read or accept.
    const int flags = ::fcntl(entry->descriptor(), F_GETFL);
    if (flags < 0 || ::fcntl(entry->descriptor(), F_SETFL, flags | O_NONBLOCK) != 0) {
        return failFromErrno();
    }
    entry->select(window, message, events);
    return succeed();
}

} // namespace winsock
