#pragma once

#include "MessageWindows.h"

#include <cstdint>
#include <string>

// Windows Sockets calls over POSIX sockets, with the Windows values for families,
// types, options and error numbers. Handles are small positive numbers that are never
// handed out twice while in use and not reused soon after, so a notification still
// queued for a closed socket can never reach a newer socket. GUI thread only.
namespace winsock {

using Socket = std::int32_t;
using AsyncHandle = std::int32_t;

constexpr Socket kInvalidSocket = -1;
constexpr int kSocketError = -1;

constexpr int kAfInet = 2;
constexpr int kSockStream = 1;
constexpr int kSockDgram = 2;
constexpr int kIpProtoTcp = 6;
constexpr int kIpProtoUdp = 17;
constexpr int kSolSocket = 0xFFFF;
constexpr int kSoBroadcast = 0x0020;
constexpr int kSoRcvBuf = 0x1002;
constexpr int kSoType = 0x1008;
constexpr int kSdSend = 1;
constexpr std::uint32_t kInaddrAny = 0;
constexpr std::uint32_t kInaddrNone = 0xFFFFFFFF;

// Notification events, the low word of a notification's lParam.
constexpr std::int32_t kFdRead = 1;
constexpr std::int32_t kFdWrite = 2;
constexpr std::int32_t kFdOob = 4;
constexpr std::int32_t kFdAccept = 8;
constexpr std::int32_t kFdConnect = 16;
constexpr std::int32_t kFdClose = 32;

constexpr int kWsaEInterrupted = 10004;
constexpr int kWsaEBadFileHandle = 10009;
constexpr int kWsaEAccess = 10013;
constexpr int kWsaEFault = 10014;
constexpr int kWsaEInvalid = 10022;
constexpr int kWsaETooManyFiles = 10024;
constexpr int kWsaEWouldBlock = 10035;
constexpr int kWsaEInProgress = 10036;
constexpr int kWsaEAlready = 10037;
constexpr int kWsaENotSocket = 10038;
constexpr int kWsaEAddressInUse = 10048;
constexpr int kWsaEAddressNotAvailable = 10049;
constexpr int kWsaEConnectionReset = 10054;
constexpr int kWsaENoBuffers = 10055;
constexpr int kWsaEIsConnected = 10056;
constexpr int kWsaENotConnected = 10057;
constexpr int kWsaEShutdown = 10058;
constexpr int kWsaEConnectionRefused = 10061;
constexpr int kWsaNotInitialised = 10093;
constexpr int kWsaHostNotFound = 11001;
constexpr int kWsaTryAgain = 11002;
constexpr int kWsaNoData = 11004;

// IPv4 socket address; port and address in network byte order.
struct SocketAddressIn {
    std::int16_t family = kAfInet;
    std::uint16_t port = 0;
    std::uint32_t address = 0;
};

struct StartupData {
    std::uint16_t version = 0;
    std::uint16_t highVersion = 0;
    std::uint16_t maxSockets = 0;
    std::uint16_t maxUdpDatagram = 0;
};

// The host entry written at the start of a look-up's result block; its pointers
// point into the same block.
struct HostEntry {
    char* name;
    char** aliases;
    std::int16_t addressType;
    std::int16_t addressLength;
    char** addressList;
};

// What a call answers: its value (a handle, a byte count, 0), or kSocketError together with
// the Windows Sockets number of its failure. The failure travels with the answer, so no one
// reads it later from somewhere else. It converts to its value, so a call reads as the Windows
// Sockets call it stands for.
struct Result {
    int value = 0;
    int error = 0; // 0 when the call succeeded

    static Result failure(int wsaError) { return {kSocketError, wsaError}; }
    bool failed() const { return error != 0; }
    operator int() const { return value; } // NOLINT(google-explicit-constructor)
};

int startup(std::uint16_t requestedVersion, StartupData& data);
Result cleanup();
bool isStarted();

// The Windows Sockets number for a POSIX errno value.
int errorFromErrno(int posixError);

Result socket(int family, int type, int protocol);
Result closeSocket(Socket socket);
Result bind(Socket socket, const SocketAddressIn& address);
Result listen(Socket socket, int backlog);
Result accept(Socket socket, SocketAddressIn* peer);
Result connect(Socket socket, const SocketAddressIn& address);
Result shutdown(Socket socket, int how);
Result send(Socket socket, const char* data, int length, int flags);
Result sendTo(Socket socket, const char* data, int length, int flags, const SocketAddressIn& to);
Result recv(Socket socket, char* buffer, int length, int flags);
Result recvFrom(Socket socket, char* buffer, int length, int flags, SocketAddressIn* from);
Result getSockName(Socket socket, SocketAddressIn& address);
Result getPeerName(Socket socket, SocketAddressIn& address);
// The peer address accept() returned for a socket it made; unlike getPeerName it still
// answers once the peer has reset. 10057 for a socket accept() did not make.
Result getAcceptedPeerName(Socket socket, SocketAddressIn& address);
Result getSockOpt(Socket socket, int level, int name, std::int32_t& value);
Result setSockOpt(Socket socket, int level, int name, std::int32_t value);

std::uint16_t hostToNetwork16(std::uint16_t value);
std::uint16_t networkToHost16(std::uint16_t value);
// Dotted address to a network-order address; kInaddrNone when the text is not one.
std::uint32_t inetAddr(const std::string& text);
std::string inetNtoa(std::uint32_t address);
// The name the resolver finds for a network-order IPv4 address, or false.
bool hostNameByAddress(std::uint32_t address, std::string& name);

// Posts `message` to `window` for the socket's events (wParam the socket, lParam the
// event in the low word and the error in the high word) and makes the socket
// non-blocking. Message 0 with events 0 stops every notification for the socket.
//  read/accept: once, then not again until the next recv/accept call;
//  write: once when connected or accepted, then only after a send that would block
//         or could not take everything;
//  connect: once when a non-blocking connect completes, its error in the high word;
//  close: once, when the peer closes (error 0) or resets (10054).
Result asyncSelect(Socket socket, win::WindowHandle window, win::MessageId message, std::int32_t events);

// Starts a host-name look-up off the GUI thread. On completion posts `message` to
// `window` with wParam the returned handle and lParam the result length in the low
// word and the error in the high word; on success the buffer holds a HostEntry.
// The value is the handle, 0 on failure.
Result asyncGetHostByName(win::WindowHandle window, win::MessageId message, const std::string& name, char* buffer,
                          int bufferLength);
// Drops a pending look-up: nothing is written and nothing is posted for it afterwards.
Result cancelAsyncRequest(AsyncHandle handle);

} // namespace winsock
