#include "Winsock.h"

// winsock2.h must come before windows.h, which NativeWindow.h includes.
#include <winsock2.h>

#include "NativeWindow.h"

#include <map>

// Straight through to ws2_32: the values of Winsock.h are the Windows values, so only the
// handle types and the address structure are converted.
namespace winsock {

namespace {

// IPv4's largest UDP payload, for a stack that leaves the Windows Sockets 1.1 field empty.
constexpr std::uint16_t kMaxUdpDatagram = 65507;

int g_startCount = 0;

// The address each accepted socket's peer had when accept() returned it.
std::map<Socket, SocketAddressIn>& acceptedPeers() {
    static auto* instance = new std::map<Socket, SocketAddressIn>; // lives as long as the process
    return *instance;
}

// Socket handles are kernel handles: 32 bits wide in any process, so they fit the design's integer.
SOCKET toNative(Socket socket) {
    return socket < 0 ? INVALID_SOCKET : static_cast<SOCKET>(static_cast<std::uint32_t>(socket));
}

Result failure() {
    return Result::failure(WSAGetLastError());
}

Result answer(int value) {
    return value == SOCKET_ERROR ? failure() : Result{value, 0};
}

sockaddr_in toNative(const SocketAddressIn& address) {
    sockaddr_in native{};
    native.sin_family = static_cast<ADDRESS_FAMILY>(address.family);
    native.sin_port = address.port;
    native.sin_addr.s_addr = address.address;
    return native;
}

SocketAddressIn fromNative(const sockaddr_in& native) {
    SocketAddressIn address;
    address.family = static_cast<std::int16_t>(native.sin_family);
    address.port = native.sin_port;
    address.address = native.sin_addr.s_addr;
    return address;
}

const sockaddr* asGeneric(const sockaddr_in& address) {
    return reinterpret_cast<const sockaddr*>(&address);
}

sockaddr* asGeneric(sockaddr_in& address) {
    return reinterpret_cast<sockaddr*>(&address);
}

// A child process inherits no socket of ours.
void keepFromChildren(SOCKET socket) {
    SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
}

} // namespace

int startup(std::uint16_t requestedVersion, StartupData& data) {
    WSADATA native{};
    const int code = WSAStartup(requestedVersion, &native);
    if (code != 0) {
        return code;
    }
    ++g_startCount;
    data.version = native.wVersion;
    data.highVersion = native.wHighVersion;
    data.maxSockets = native.iMaxSockets;
    data.maxUdpDatagram = native.iMaxUdpDg != 0 ? native.iMaxUdpDg : kMaxUdpDatagram;
    return 0;
}

Result cleanup() {
    if (WSACleanup() == SOCKET_ERROR) {
        return failure();
    }
    --g_startCount;
    return {};
}

bool isStarted() {
    return g_startCount > 0;
}

Result socket(int family, int type, int protocol) {
    const SOCKET native = ::socket(family, type, protocol);
    if (native == INVALID_SOCKET) {
        return failure();
    }
    keepFromChildren(native);
    return {static_cast<Socket>(native), 0};
}

Result closeSocket(Socket socket) {
    const Result closed = answer(::closesocket(toNative(socket)));
    if (!closed.failed()) {
        acceptedPeers().erase(socket);
    }
    return closed;
}

Result bind(Socket socket, const SocketAddressIn& address) {
    const sockaddr_in native = toNative(address);
    return answer(::bind(toNative(socket), asGeneric(native), sizeof(native)));
}

// A full queue refuses further stations, who try again: the backlog is taken as given.
Result listen(Socket socket, int backlog) {
    return answer(::listen(toNative(socket), backlog));
}

Result accept(Socket socket, SocketAddressIn* peer) {
    sockaddr_in native{};
    int length = sizeof(native);
    const SOCKET accepted = ::accept(toNative(socket), asGeneric(native), &length);
    if (accepted == INVALID_SOCKET) {
        return failure();
    }
    keepFromChildren(accepted);
    const SocketAddressIn from = fromNative(native);
    if (peer != nullptr) {
        *peer = from;
    }
    const auto handle = static_cast<Socket>(accepted);
    acceptedPeers()[handle] = from;
    return {handle, 0};
}

Result connect(Socket socket, const SocketAddressIn& address) {
    const sockaddr_in native = toNative(address);
    return answer(::connect(toNative(socket), asGeneric(native), sizeof(native)));
}

Result shutdown(Socket socket, int how) {
    return answer(::shutdown(toNative(socket), how));
}

Result send(Socket socket, const char* data, int length, int flags) {
    return answer(::send(toNative(socket), data, length, flags));
}

Result sendTo(Socket socket, const char* data, int length, int flags, const SocketAddressIn& to) {
    const sockaddr_in native = toNative(to);
    return answer(::sendto(toNative(socket), data, length, flags, asGeneric(native), sizeof(native)));
}

Result recv(Socket socket, char* buffer, int length, int flags) {
    return answer(::recv(toNative(socket), buffer, length, flags));
}

Result recvFrom(Socket socket, char* buffer, int length, int flags, SocketAddressIn* from) {
    sockaddr_in native{};
    int addressLength = sizeof(native);
    const Result received =
        answer(::recvfrom(toNative(socket), buffer, length, flags, asGeneric(native), &addressLength));
    if (!received.failed() && from != nullptr) {
        *from = fromNative(native);
    }
    return received;
}

namespace {

// getsockname and getpeername: the address of one end, filled only when the call succeeds.
template <typename NameCall> Result endName(Socket socket, SocketAddressIn& address, NameCall call) {
    sockaddr_in native{};
    int length = sizeof(native);
    const Result named = answer(call(toNative(socket), asGeneric(native), &length));
    if (!named.failed()) {
        address = fromNative(native);
    }
    return named;
}

} // namespace

Result getSockName(Socket socket, SocketAddressIn& address) {
    return endName(socket, address, ::getsockname);
}

Result getPeerName(Socket socket, SocketAddressIn& address) {
    return endName(socket, address, ::getpeername);
}

Result getAcceptedPeerName(Socket socket, SocketAddressIn& address) {
    const auto found = acceptedPeers().find(socket);
    if (found == acceptedPeers().end()) {
        return Result::failure(kWsaENotConnected);
    }
    address = found->second;
    return {};
}

Result getSockOpt(Socket socket, int level, int name, std::int32_t& value) {
    int length = sizeof(value);
    return answer(::getsockopt(toNative(socket), level, name, reinterpret_cast<char*>(&value), &length));
}

Result setSockOpt(Socket socket, int level, int name, std::int32_t value) {
    return answer(::setsockopt(toNative(socket), level, name, reinterpret_cast<const char*>(&value), sizeof(value)));
}

std::uint16_t hostToNetwork16(std::uint16_t value) {
    return ::htons(value);
}

std::uint16_t networkToHost16(std::uint16_t value) {
    return ::ntohs(value);
}

std::uint32_t inetAddr(const std::string& text) {
    return ::inet_addr(text.c_str());
}

std::string inetNtoa(std::uint32_t address) {
    in_addr native{};
    native.s_addr = address;
    const char* text = ::inet_ntoa(native); // a buffer of the calling thread's, valid until its next call
    return text == nullptr ? std::string() : std::string(text);
}

bool hostNameByAddress(std::uint32_t address, std::string& name) {
    const hostent* host = ::gethostbyaddr(reinterpret_cast<const char*>(&address), sizeof(address), AF_INET);
    if (host == nullptr || host->h_name == nullptr) {
        return false;
    }
    name = host->h_name;
    return true;
}

// Asking for notifications also makes the socket non-blocking; asking for none leaves it so.
Result asyncSelect(Socket socket, win::WindowHandle window, win::MessageId message, std::int32_t events) {
    if (events != 0 && !win::isWindow(window)) {
        return Result::failure(kWsaEInvalid);
    }
    return answer(::WSAAsyncSelect(toNative(socket), win::toNative(window), message, events));
}

// The system's own look-up thread writes the host entry into the buffer and posts the
// completion; request handles are small task numbers, so they fit the design's integer.
Result asyncGetHostByName(win::WindowHandle window, win::MessageId message, const std::string& name, char* buffer,
                          int bufferLength) {
    if (!win::isWindow(window)) {
        return {0, kWsaEInvalid};
    }
    const HANDLE request = ::WSAAsyncGetHostByName(win::toNative(window), message, name.c_str(), buffer, bufferLength);
    if (request == nullptr) {
        return {0, WSAGetLastError()};
    }
    return {static_cast<AsyncHandle>(reinterpret_cast<std::uintptr_t>(request)), 0};
}

// A look-up that has already completed cannot be cancelled; its completion, already posted,
// names a request its caller no longer holds and is passed over there.
Result cancelAsyncRequest(AsyncHandle handle) {
    const auto request = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(handle)));
    return answer(::WSACancelAsyncRequest(request));
}

} // namespace winsock
