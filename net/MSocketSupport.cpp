#include "MSocketSupport.h"

#include "CSocket.h"
#include "GuiThread.h"
#include "RuntimeError.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>

// The socket service's only way into a socket object's notification entry points.
struct SocketSupportAccess {
    static void postSocketEvent(CSocket& object, std::int32_t event, std::int32_t errorCode) {
        object.PostSocketEvent(event, errorCode);
    }
    static void postGetHostEvent(CSocket& object, std::int32_t requestID, std::int32_t hostAddress,
                                 std::string& hostName, std::int32_t& errorCode) {
        object.PostGetHostEvent(requestID, hostAddress, hostName, errorCode);
    }
    static std::int32_t pendingRequest(const CSocket& object) { return object.m_lngResolveRequest; }
};

namespace MSocketSupport {

namespace {

constexpr std::size_t kHostEntryBlockSize = 1024; // the largest host entry a look-up writes
constexpr std::int32_t kNoRecoveryError = 11003;  // a look-up's answer that cannot be read
// Blocks of cancelled look-ups kept, newest last, before the oldest is let go.
constexpr std::size_t kRetiredBlockCount = 64;
constexpr std::int32_t kSelectedEvents = 59; // read, write, accept, connect, close

struct PendingResolve {
    std::weak_ptr<CSocket> object;
    const CSocket* address;
};

struct ServiceState {
    bool started = false;
    std::int32_t maxDatagram = 0;
    int liveObjects = 0;
    win::MessageId winsockMessage = 0;
    win::MessageId resolveMessage = 0;
    win::WindowHandle messageWindow = 0;
    win::WindowProc previousProc = nullptr;
    std::map<winsock::Socket, std::weak_ptr<CSocket>> registry;
    std::map<std::int32_t, PendingResolve> resolutions;
    std::map<const CSocket*, std::unique_ptr<char[]>> buffers;
    // A cancelled look-up may still be writing its block (Wine's goes on), so the block outlives
    // the request for as long as the newest cancelled ones are kept.
    std::deque<std::unique_ptr<char[]>> retiredBlocks;
};

ServiceState& state() {
    static ServiceState instance;
    return instance;
}

std::string programName() {
    if (QCoreApplication::instance() == nullptr) {
        return "quillet";
    }
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
}

std::string startupFailureDescription(int code) {
    switch (code) {
    case 10022:
        return std::string("The Windows Sockets version specified by the ") +
               "application is not supported by this DLL.";
    case 10091: return std::string("The underlying network subsystem is not ") + "ready for network communication.";
    case 10092:
        return std::string("The version of Windows Sockets API support ") +
               "requested is not provided by this particular " + "Windows Sockets implementation.";
    default: return {};
    }
}

win::WindowHandle CreateMessageWindow() {
    auto& service = state();
    const win::WindowHandle window = win::createWindow("SOCKET_WINDOW");
    if (window == 0) {
        return 0;
    }
    service.previousProc = win::setWindowProc(window, &WindowProc);
    service.messageWindow = window;
    return window;
}

bool DestroyMessageWindow() {
    auto& service = state();
    win::setWindowProc(service.messageWindow, service.previousProc);
    const bool destroyed = win::destroyWindow(service.messageWindow);
    service.messageWindow = 0;
    return destroyed;
}

void deliverSocketEvent(win::WParam wParam, win::LParam lParam) {
    auto& registry = state().registry;
    const auto found = registry.find(static_cast<winsock::Socket>(wParam));
    if (found == registry.end()) {
        return;
    }
    // The counted reference keeps the object alive while its handler runs, even if
    // the owner lets go of it there.
    const std::shared_ptr<CSocket> object = found->second.lock();
    if (!object) {
        return;
    }
    const auto bits = static_cast<std::uint32_t>(lParam);
    SocketSupportAccess::postSocketEvent(*object, static_cast<std::int32_t>(bits & 0xFFFF),
                                         static_cast<std::int32_t>(bits >> 16));
}

struct HostAnswer {
    std::int32_t address;
    std::string name;
};

// Whether length bytes from address lie within the block. Addresses are compared as numbers, as
// one may point anywhere.
bool insideBlock(const char* block, const void* address, std::size_t length) {
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    return at >= start && at - start <= kHostEntryBlockSize && length <= kHostEntryBlockSize - (at - start);
}

// The first address and the name of the host entry a look-up wrote into its block. The entry's
// pointers are the system's: one that leads outside the block (an entry not written, or written
// for another request) answers nothing rather than being followed.
std::optional<HostAnswer> readHostEntry(const char* block) {
    winsock::HostEntry entry{};
    std::memcpy(&entry, block, sizeof(entry));
    char* firstAddress = nullptr;
    if (!insideBlock(block, entry.addressList, sizeof(firstAddress))) {
        return std::nullopt;
    }
    std::memcpy(&firstAddress, entry.addressList, sizeof(firstAddress));
    if (!insideBlock(block, firstAddress, sizeof(std::int32_t))) {
        return std::nullopt;
    }
    HostAnswer answer{0, {}};
    std::memcpy(&answer.address, firstAddress, sizeof(answer.address));
    if (entry.name != nullptr) {
        if (!insideBlock(block, entry.name, 1)) {
            return std::nullopt;
        }
        const char* const name = entry.name;
        answer.name.assign(name, std::find(name, block + kHostEntryBlockSize, '\0'));
    }
    return answer;
}

void deliverLookupCompletion(win::WParam wParam, win::LParam lParam) {
    auto& service = state();
    const auto requestID = static_cast<std::int32_t>(wParam);
    const auto resolution = service.resolutions.find(requestID);
    if (resolution == service.resolutions.end()) {
        return;
    }
    const auto buffer = service.buffers.find(resolution->second.address);
    const std::shared_ptr<CSocket> object = resolution->second.object.lock();
    if (buffer == service.buffers.end() || !object) {
        return;
    }
    // Both entries leave the tables before the object hears of the result, so that a
    // failing handler cannot strand them and a look-up it starts keeps its own block.
    const std::unique_ptr<char[]> block = std::move(buffer->second);
    service.buffers.erase(buffer);
    service.resolutions.erase(resolution);
    // A failed look-up reaches the object without its request handle, so the object
    // cannot tell a stale failure from its own: only the one it waits for goes on.
    if (SocketSupportAccess::pendingRequest(*object) != requestID) {
        return;
    }

    // The look-up's own failure, or an answer that cannot be read, reaches the object the same way.
    std::int32_t error = static_cast<std::int32_t>(static_cast<std::uint32_t>(lParam) >> 16);
    std::optional<HostAnswer> answer;
    if (error == 0 && !(answer = readHostEntry(block.get()))) {
        error = kNoRecoveryError;
    }
    if (error != 0) {
        std::string noName;
        SocketSupportAccess::postGetHostEvent(*object, 0, 0, noName, error);
        return;
    }
    SocketSupportAccess::postGetHostEvent(*object, requestID, answer->address, answer->name, error);
}

} // namespace

std::int32_t InitWinsockService() {
    auto& service = state();
    if (service.started) {
        ++service.liveObjects;
        return service.maxDatagram;
    }
    winsock::StartupData data;
    const int code = winsock::startup(0x0101, data);
    if (code != 0) {
        raiseError(code, startupFailureDescription(code), "MSocketSupport.InitWinsockService");
    }
    service.started = true;
    service.maxDatagram = IntegerToUnsigned(static_cast<std::int16_t>(data.maxUdpDatagram));
    const std::string name = programName();
    service.resolveMessage = win::registerWindowMessage(name + ".ResolveMessage");
    service.winsockMessage = win::registerWindowMessage(name + ".WinsockMessage");
    ++service.liveObjects;
    return service.maxDatagram;
}

void CleanupWinsockService() {
    auto& service = state();
    if (service.liveObjects > 0) {
        --service.liveObjects;
    }
    if (service.liveObjects == 0 && service.registry.empty() && service.started) {
        winsock::cleanup();
        service.started = false;
    }
}

void RegisterSocket(winsock::Socket handle, CSocket& object) {
    gui_thread::assertOnGuiThread("MSocketSupport.RegisterSocket");
    auto& service = state();
    const char* const source = "MSocketSupport.RegisterSocket";
    if (service.messageWindow == 0 && CreateMessageWindow() == 0) {
        raiseError(10004, "The operation was canceled.", source);
    }
    if (!service.registry.try_emplace(handle, object.weak_from_this()).second) {
        raiseError(457, "This key is already associated with an element of this collection", source);
    }
    const winsock::Result selected =
        winsock::asyncSelect(handle, service.messageWindow, service.winsockMessage, kSelectedEvents);
    if (selected.failed()) {
        service.registry.erase(handle);
        raiseError(selected.error, GetErrorDescription(selected.error), source);
    }
}

bool UnregisterSocket(winsock::Socket handle) {
    auto& service = state();
    if (service.registry.empty() || handle == winsock::kInvalidSocket) {
        return false;
    }
    winsock::asyncSelect(handle, service.messageWindow, 0, 0);
    if (service.registry.erase(handle) == 0) {
        raiseError(5, "Invalid procedure call or argument", "MSocketSupport.UnregisterSocket");
    }
    if (service.registry.empty()) {
        return DestroyMessageWindow();
    }
    return true;
}

bool IsRegistered(winsock::Socket handle) {
    return state().registry.count(handle) != 0;
}

std::int32_t ResolveHost(const std::string& hostName, CSocket& object) {
    auto& service = state();
    const char* const source = "MSocketSupport.ResolveHost";
    if (service.buffers.count(&object) != 0) {
        raiseError(10037, GetErrorDescription(10037), source);
    }
    std::unique_ptr<char[]> block(new (std::nothrow) char[kHostEntryBlockSize]);
    if (!block) {
        raiseError(kOutOfMemoryError, "Out of memory", source);
    }
    char* const blockAddress = block.get();
    service.buffers.emplace(&object, std::move(block));
    const winsock::Result request = winsock::asyncGetHostByName(service.messageWindow, service.resolveMessage, hostName,
                                                                blockAddress, static_cast<int>(kHostEntryBlockSize));
    if (request.failed()) {
        service.buffers.erase(&object);
        raiseError(request.error, GetErrorDescription(request.error), source);
    }
    service.resolutions[request.value] = PendingResolve{object.weak_from_this(), &object};
    return request.value;
}

void CancelResolve(const CSocket& object) {
    auto& service = state();
    for (auto entry = service.resolutions.begin(); entry != service.resolutions.end();) {
        if (entry->second.address == &object) {
            winsock::cancelAsyncRequest(entry->first);
            entry = service.resolutions.erase(entry);
        } else {
            ++entry;
        }
    }
    const auto block = service.buffers.find(&object);
    if (block == service.buffers.end()) {
        return;
    }
    service.retiredBlocks.push_back(std::move(block->second));
    service.buffers.erase(block);
    if (service.retiredBlocks.size() > kRetiredBlockCount) {
        service.retiredBlocks.pop_front();
    }
}

bool IsResolving(const CSocket& object) {
    return state().buffers.count(&object) != 0;
}

std::string GetErrorDescription(std::int32_t number) {
    static const std::map<std::int32_t, const char*> texts = {
        {10004, "Interrupted function call."},
        {10013, "Permission denied."},
        {10014, "Bad address."},
        {10022, "Invalid argument."},
        {10024, "Too many open files."},
        {10035, "Resource temporarily unavailable."},
        {10036, "Operation now in progress."},
        {10037, "Operation already in progress."},
        {10038, "Socket operation on nonsocket."},
        {10039, "Destination address required."},
        {10040, "Message too long."},
        {10041, "Protocol wrong type for socket."},
        {10042, "Bad protocol option."},
        {10043, "Protocol not supported."},
        {10044, "Socket type not supported."},
        {10045, "Operation not supported."},
        {10046, "Protocol family not supported."},
        {10047, "Address family not supported by protocol family."},
        {10048, "Address already in use."},
        {10049, "Cannot assign requested address."},
        {10050, "Network is down."},
        {10051, "Network is unreachable."},
        {10052, "Network dropped connection on reset."},
        {10053, "Software caused connection abort."},
        {10054, "Connection reset by peer."},
        {10055, "No buffer space available."},
        {10056, "Socket is already connected."},
        {10057, "Socket is not connected."},
        {10058, "Cannot send after socket shutdown."},
        {10060, "Connection timed out."},
        {10061, "Connection refused."},
        {10064, "Host is down."},
        {10065, "No route to host."},
        {10067, "Too many processes."},
        {10091, "Network subsystem is unavailable."},
        {10092, "Winsock.dll version out of range."},
        {10093, "Successful WSAStartup not yet performed."},
        {10101, "Graceful shutdown in progress."},
        {10107, "System call failure."},
        {10109, "Class type not found."},
        {11001, "Host not found."},
        {11002, "Nonauthoritative host not found."},
        {11003, "This is a nonrecoverable error."},
        {11004, "Valid name, no data record of requested type."},
    };
    const auto found = texts.find(number);
    return found == texts.end() ? "Unknown error." : found->second;
}

std::string StringFromPointer(const char* address) {
    return address == nullptr ? std::string() : address;
}

std::int16_t UnsignedToInteger(std::int32_t value) {
    if (value < 0 || value > 65535) {
        raiseError(kOverflowError, kOverflowDescription, "MSocketSupport.UnsignedToInteger");
    }
    return static_cast<std::int16_t>(value > 32767 ? value - 65536 : value);
}

std::int32_t IntegerToUnsigned(std::int16_t value) {
    return value < 0 ? value + 65536 : value;
}

win::LParam WindowProc(win::WindowHandle window, win::MessageId message, win::WParam wParam, win::LParam lParam) {
    auto& service = state();
    const bool isSocketEvent = message == service.winsockMessage;
    if (!isSocketEvent && message != service.resolveMessage) {
        return win::callWindowProc(service.previousProc, window, message, wParam, lParam);
    }
    // The object tells its own owner of whatever fails while it handles the notification.
    if (isSocketEvent) {
        deliverSocketEvent(wParam, lParam);
    } else {
        deliverLookupCompletion(wParam, lParam);
    }
    return 0;
}

win::WindowHandle MessageWindow() {
    return state().messageWindow;
}
win::MessageId WinsockMessage() {
    return state().winsockMessage;
}
win::MessageId ResolveMessage() {
    return state().resolveMessage;
}
bool IsStarted() {
    return state().started;
}
std::size_t RegisteredSocketCount() {
    return state().registry.size();
}
std::size_t PendingLookupCount() {
    return state().resolutions.size();
}

} // namespace MSocketSupport
