#include "CSocket.h"

#include "MSocketSupport.h"
#include "RuntimeError.h"

#include <algorithm>
#include <limits>

using MSocketSupport::GetErrorDescription;

namespace {

constexpr std::int32_t kDefaultRecvChunk = 8192; // when the socket reports no receive size
constexpr int kListenBacklog = 5;

ErrorRecord networkError(int number, std::string source) {
    return {number, GetErrorDescription(number), std::move(source)};
}

[[noreturn]] void raiseNetworkError(int number, const std::string& source) {
    raiseError(networkError(number, source));
}

// Runs an operation so that every failure inside it reaches the caller with the
// operation's own source, keeping number and description.
template <typename Operation> void withSource(const char* source, Operation&& operation) {
    try {
        operation();
    } catch (const RuntimeError& error) {
        reraiseWithSource(error, source);
    }
}

// Runs a step whose failure must not hide an error already in hand: answers the failure
// instead of raising it.
template <typename Step> std::optional<ErrorRecord> failureIn(Step&& step) {
    try {
        step();
    } catch (const RuntimeError& error) {
        return error.record();
    }
    return std::nullopt;
}

std::int32_t portFromNetwork(std::uint16_t networkPort) {
    return MSocketSupport::IntegerToUnsigned(static_cast<std::int16_t>(winsock::networkToHost16(networkPort)));
}

} // namespace

std::shared_ptr<CSocket> CSocket::create() {
    return std::make_shared<CSocket>(Passkey{});
}

CSocket::CSocket(Passkey) : m_lngMaxDatagram(MSocketSupport::InitWinsockService()) {}

CSocket::~CSocket() {
    try {
        if (m_socketHandle != winsock::kInvalidSocket) {
            DestroySocket();
        }
    } catch (const RuntimeError&) {
        // The owner has gone; there is no one left to tell.
    }
    MSocketSupport::CancelResolve(*this);
    MSocketSupport::CleanupWinsockService();
}

void CSocket::SendData(const Variant& varData) {
    try {
        if (m_protocol == 0) {
            if (m_socketHandle == winsock::kInvalidSocket) {
                raiseError(kWrongProtocolOrState, kWrongProtocolOrStateText, "CSocket.SendData");
            }
        } else {
            EnsureSocket();
        }
        std::string bytes = VariantToBytes(varData);
        if (bytes.empty()) {
            raiseError(winsock::kWsaEInvalid, GetErrorDescription(winsock::kWsaEInvalid), "CSocket.SendData");
        }
        m_strSendPending = std::move(bytes);
        m_blnSendCompletePending = true;
        SendFromBuffer();
    } catch (const RuntimeError& error) {
        if (error.number() == winsock::kWsaENotSocket) {
            raiseError(kWrongProtocolOrState, kWrongProtocolOrStateText, "CSocket.SendData");
        }
        reraiseWithSource(error, "CSocket.SendData");
    }
}

void CSocket::PeekData(Variant& varData, std::optional<std::int32_t> varType, std::optional<std::int32_t> maxLen) {
    withSource("CSocket.PeekData", [&] { ReadFromBuffer(varData, true, varType, maxLen); });
}

void CSocket::GetData(Variant& varData, std::optional<std::int32_t> varType, std::optional<std::int32_t> maxLen) {
    withSource("CSocket.GetData", [&] { ReadFromBuffer(varData, false, varType, maxLen); });
}

void CSocket::Listen() {
    withSource("CSocket.Listen", [&] {
        forgetConnection();
        forgetPeer();
        EnsureSocket();
        if (!m_blnBound) {
            Bind(0, {});
        }
        if (const winsock::Result listened = winsock::listen(m_socketHandle, kListenBacklog); listened.failed()) {
            m_state = SocketState::Error;
            raiseNetworkError(listened.error, "CSocket.Listen");
        }
        m_state = SocketState::Listening;
    });
}

void CSocket::Connect(std::optional<std::string> strRemoteHost, std::optional<std::int32_t> lngRemotePort) {
    withSource("CSocket.Connect", [&] {
        EnsureSocket();
        if (strRemoteHost && !strRemoteHost->empty()) {
            m_remoteHost = *strRemoteHost;
        }
        if (lngRemotePort) {
            m_remotePort = *lngRemotePort;
        }
        if (m_remoteHost.empty()) {
            raiseError(winsock::kWsaEAddressNotAvailable, GetErrorDescription(winsock::kWsaEAddressNotAvailable),
                       "CSocket.Connect");
        }
        m_lngAfterResolve = 0;
        const std::uint32_t address = winsock::inetAddr(m_remoteHost);
        if (address == winsock::kInaddrNone) {
            checkRemotePort();
            m_state = SocketState::ResolvingHost;
            m_lngResolveRequest = 0;
            try {
                m_lngResolveRequest = MSocketSupport::ResolveHost(m_remoteHost, *this);
            } catch (const RuntimeError&) {
                DestroySocket();
                throw;
            }
            return;
        }
        const winsock::Result connected = winsock::connect(m_socketHandle, socketAddress(address, m_remotePort));
        if (connected.failed()) {
            if (connected.error != winsock::kWsaEWouldBlock) {
                raiseNetworkError(connected.error, "CSocket.Connect");
            }
            m_state = SocketState::Connecting;
        }
    });
}

// Closing never fails to its caller; what goes wrong on the way reaches the owner through OnError.
void CSocket::CloseSocket() {
    if (m_socketHandle == winsock::kInvalidSocket) {
        return;
    }
    tellingTheOwner("CSocket.CloseSocket", [&] {
        if (m_state == SocketState::Connected) {
            m_state = SocketState::Closing;
            if (const winsock::Result shut = winsock::shutdown(m_socketHandle, winsock::kSdSend); shut.failed()) {
                raiseNetworkError(shut.error, "CSocket.CloseSocket");
            }
        } else {
            m_state = SocketState::Closed;
            DestroySocket();
        }
    });
}

void CSocket::Bind(std::int32_t lngLocalPort, const std::string& strLocalIP) {
    withSource("CSocket.Bind", [&] {
        EnsureSocket();
        if (!strLocalIP.empty()) {
            m_localIP = strLocalIP;
            m_bindAddress = strLocalIP;
        }
        if (lngLocalPort > 0) {
            m_localPort = lngLocalPort;
        }
        // The address the owner asked for, never one a connection taught the object since: a
        // listener that took a station on 127.0.0.1 must still hear those on every other address.
        std::uint32_t address = winsock::kInaddrAny;
        if (!m_bindAddress.empty()) {
            address = winsock::inetAddr(m_bindAddress);
            if (address == winsock::kInaddrNone) {
                raiseNetworkError(winsock::kWsaEAddressNotAvailable, "CSocket.Bind");
            }
        }
        if (const winsock::Result bound = winsock::bind(m_socketHandle, socketAddress(address, m_localPort));
            bound.failed()) {
            raiseNetworkError(bound.error, "CSocket.Bind");
        }
        m_blnBound = true;
    });
}

void CSocket::Accept(std::int32_t requestID) {
    withSource("CSocket.Accept", [&] {
        const std::optional<ErrorRecord> acceptFailure = m_acceptFailure;
        if (m_socketHandle != winsock::kInvalidSocket) {
            DestroySocket(); // a socket still held would otherwise be lost for good
        }
        forgetConnection();
        forgetPeer();
        if (requestID == winsock::kInvalidSocket) {
            raiseError(acceptFailure.value_or(networkError(winsock::kWsaENotSocket, "CSocket.Accept")));
        }
        takeConnection(requestID);
        m_state = SocketState::Connected;
    });
}

void CSocket::RemoteHost(const std::string& NewValue) {
    withSource("CSocket.RemoteHost", [&] {
        m_remoteHost = NewValue;
        if (NewValue.empty() || winsock::inetAddr(NewValue) == winsock::kInaddrNone) {
            return;
        }
        m_remoteHostIP = NewValue;
        if (m_protocol != 1) {
            return;
        }
        EnsureSocket();
        // An address ending in ".255" is taken as a broadcast address whatever the mask.
        const bool broadcast = NewValue.size() >= 4 && NewValue.compare(NewValue.size() - 4, 4, ".255") == 0;
        if (broadcast != m_blnBroadcast) {
            const winsock::Result set =
                winsock::setSockOpt(m_socketHandle, winsock::kSolSocket, winsock::kSoBroadcast, broadcast ? 1 : 0);
            if (set.failed()) {
                raiseNetworkError(set.error, "CSocket.RemoteHost");
            }
            m_blnBroadcast = broadcast;
        }
    });
}

void CSocket::Protocol(std::int32_t value) {
    if (m_socketHandle == winsock::kInvalidSocket && (value == 0 || value == 1)) {
        m_protocol = value;
    }
}

// A new registered socket; a socket that cannot be made or registered is raised as a failure.
winsock::Socket CSocket::vbSocket() {
    const bool udp = m_protocol == 1;
    const winsock::Result made = winsock::socket(winsock::kAfInet, udp ? winsock::kSockDgram : winsock::kSockStream,
                                                 udp ? winsock::kIpProtoUdp : winsock::kIpProtoTcp);
    if (made.failed()) {
        raiseNetworkError(made.error, "CSocket.vbSocket");
    }
    try {
        MSocketSupport::RegisterSocket(made.value, *this);
    } catch (const RuntimeError&) {
        winsock::closeSocket(made.value); // a socket nobody hears of would only hold its descriptor
        throw;
    }
    return made.value;
}

// Every operation that needs a socket makes one first; one that cannot fails with the reason.
void CSocket::EnsureSocket() {
    if (m_socketHandle != winsock::kInvalidSocket) {
        return;
    }
    m_socketHandle = vbSocket();
    ReadBufferSizes();
}

// Takes over an accepted connection. One that cannot be registered is closed, not kept unheard.
void CSocket::takeConnection(winsock::Socket requestID) {
    m_socketHandle = requestID;
    readLocalName(false);
    // The address accept() returned names the station even once it has reset, when
    // getpeername() no longer answers.
    winsock::SocketAddressIn peer;
    if (!winsock::getAcceptedPeerName(m_socketHandle, peer).failed() ||
        !winsock::getPeerName(m_socketHandle, peer).failed()) {
        m_remotePort = portFromNetwork(peer.port);
        m_remoteHostIP = winsock::inetNtoa(peer.address);
        m_remoteHost = m_remoteHostIP;
    }
    std::int32_t type = 0;
    if (!winsock::getSockOpt(m_socketHandle, winsock::kSolSocket, winsock::kSoType, type).failed()) {
        m_protocol = type == winsock::kSockStream ? 0 : 1;
    }
    ReadBufferSizes();
    try {
        MSocketSupport::RegisterSocket(m_socketHandle, *this);
    } catch (const RuntimeError&) {
        winsock::closeSocket(m_socketHandle);
        m_socketHandle = winsock::kInvalidSocket;
        throw;
    }
}

void CSocket::ReadBufferSizes() {
    if (m_protocol != 0) {
        m_lngRecvChunk = m_lngMaxDatagram;
    } else {
        winsock::getSockOpt(m_socketHandle, winsock::kSolSocket, winsock::kSoRcvBuf, m_lngRecvChunk);
    }
    if (m_lngRecvChunk <= 0) {
        m_lngRecvChunk = kDefaultRecvChunk;
    }
}

void CSocket::DestroySocket() {
    forgetConnection();
    // A pending look-up would connect or send on this socket once it completes, and
    // its completion is lost if the message window goes with the socket: drop it.
    MSocketSupport::CancelResolve(*this);
    m_lngResolveRequest = 0;
    if (m_socketHandle == winsock::kInvalidSocket) {
        return;
    }
    try {
        MSocketSupport::UnregisterSocket(m_socketHandle);
    } catch (const RuntimeError&) {
        // A socket that never made it into the registry is still closed below.
    }
    // The descriptor is gone even when the close reports a failure, so the object lets go of it first.
    const winsock::Result closed = winsock::closeSocket(m_socketHandle);
    m_socketHandle = winsock::kInvalidSocket;
    m_blnBound = false;
    m_blnBroadcast = false;
    if (closed.failed()) {
        raiseNetworkError(closed.error, "CSocket.DestroySocket");
    }
}

// What belongs to one connection: a reply not yet out, a completion not yet raised, data not
// yet taken and its count, reads held. None of it may reach the next connection the object serves.
void CSocket::forgetConnection() {
    m_strSendPending.clear();
    m_blnSendCompletePending = false;
    m_strReceived.clear();
    m_bytesReceived = 0;
    m_readsHeld = false;
}

// The peer's address is kept while the socket goes, for the owner's close and error
// handlers and for datagrams; a new connection or listener starts without one.
void CSocket::forgetPeer() {
    m_remotePort = 0;
    m_remoteHost.clear();
    m_remoteHostIP.clear();
}

void CSocket::SendFromBuffer() {
    const std::shared_ptr<CSocket> keepAlive = weak_from_this().lock(); // a handler may release us
    const auto length = static_cast<std::int32_t>(m_strSendPending.size());
    m_blnSendCompletePending = true;
    winsock::Result result;
    if (m_protocol == 0) {
        result = winsock::send(m_socketHandle, m_strSendPending.data(), length, 0);
    } else if (!m_remoteHostIP.empty()) {
        result = winsock::sendTo(m_socketHandle, m_strSendPending.data(), length, 0,
                                 socketAddress(winsock::inetAddr(m_remoteHostIP), m_remotePort));
    } else {
        resolveBeforeSending();
    }
    if (result.failed()) {
        if (result.error == winsock::kWsaEWouldBlock) {
            return; // the next write notification sends the pending text again
        }
        raiseNetworkError(result.error, "CSocket.SendData");
    }
    const int sent = result.value;
    // The bytes are out whatever the total says: a total that would pass the largest count
    // stays as it was, and the overflow is reported once the send is accounted for.
    std::optional<RuntimeError> overflow;
    try {
        addChecked(m_lngTotalBytesSent, sent, "CSocket.SendData");
    } catch (const RuntimeError& error) {
        overflow = error;
    }
    if (sent < length) {
        m_strSendPending.erase(0, static_cast<std::size_t>(sent));
    } else {
        m_strSendPending.clear();
        postToSelf(winsock::kFdWrite);
    }
    if (overflow) {
        throw *overflow;
    }
    if (m_listener) {
        m_listener->OnSendProgress(sent, static_cast<std::int32_t>(m_strSendPending.size()));
    }
}

// Datagrams to a name wait for one look-up: the value pending when it completes goes
// out. A look-up that cannot start is reported rather than leaving the value stranded.
void CSocket::resolveBeforeSending() {
    if (m_lngAfterResolve == 1 && MSocketSupport::IsResolving(*this)) {
        return;
    }
    checkRemotePort();
    const std::int32_t request = MSocketSupport::ResolveHost(m_remoteHost, *this);
    m_lngAfterResolve = 1;
    m_lngResolveRequest = request;
}

std::int32_t CSocket::RecvToBuffer() {
    std::string area(receiveRoom(), '\0');
    if (area.empty()) {
        return 0; // the buffer is full: what has not been read stays in the kernel
    }
    const auto areaLength = static_cast<int>(area.size());
    winsock::Result received;
    if (m_protocol == 0) {
        received = winsock::recv(m_socketHandle, area.data(), areaLength, 0);
    } else {
        winsock::SocketAddressIn sender;
        received = winsock::recvFrom(m_socketHandle, area.data(), areaLength, 0, &sender);
        if (!received.failed()) {
            m_remotePort = portFromNetwork(sender.port);
            m_remoteHostIP = winsock::inetNtoa(sender.address);
            if (!winsock::hostNameByAddress(sender.address, m_remoteHost)) {
                m_remoteHost = m_remoteHostIP;
            }
        }
    }
    if (received.failed()) {
        raiseNetworkError(received.error, "CSocket.RecvToBuffer");
    }
    m_strReceived.append(area.data(), static_cast<std::size_t>(received.value));
    return received.value;
}

void CSocket::ReadFromBuffer(Variant& varData, bool peek, std::optional<std::int32_t> varType,
                             std::optional<std::int32_t> maxLen) {
    if (m_strReceived.empty()) {
        return;
    }
    const std::int32_t length = maxLen.value_or(0);
    std::string taken;
    if (length > 0 && static_cast<std::size_t>(length) <= m_strReceived.size()) {
        taken = m_strReceived.substr(0, static_cast<std::size_t>(length));
        if (!peek) {
            m_strReceived.erase(0, static_cast<std::size_t>(length));
        }
    } else {
        taken = peek ? m_strReceived : std::move(m_strReceived);
        if (!peek) {
            m_strReceived.clear();
        }
    }
    // A kind that needs more bytes than were taken leaves the value as it was.
    VariantFromBytes(taken, varType.value_or(VariantType::kString), varData);
    if (!peek && m_readsHeld && receiveRoom() > 0) {
        m_readsHeld = false;
        postToSelf(winsock::kFdRead); // reading was held for want of room: go on from the message loop
    }
    const auto left = static_cast<std::int32_t>(m_strReceived.size());
    m_bytesReceived = left;
    addChecked(m_lngTotalBytesReceived, left, peek ? "CSocket.PeekData" : "CSocket.GetData");
}

void CSocket::PostSocketEvent(std::int32_t event, std::int32_t errorCode) {
    tellingTheOwner("CSocket.PostSocketEvent", [&] {
        if (errorCode > 0) {
            m_state = SocketState::Error;
            // The notification's own error comes first; a clean-up that fails too is told after it.
            const std::optional<ErrorRecord> cleanUpFailure = failureIn([&] { DestroySocket(); });
            tellOwner(errorCode, "CSocket.PostSocketEvent");
            if (cleanUpFailure) {
                tellOwner(*cleanUpFailure);
            }
            return;
        }
        switch (event) {
        case winsock::kFdRead: onRead(); break;
        case winsock::kFdWrite: onWrite(); break;
        case winsock::kFdAccept: onAccept(); break;
        case winsock::kFdConnect: onConnect(); break;
        case winsock::kFdClose: onClose(); break;
        default: break;
        }
    });
}

void CSocket::onRead() {
    if (receiveRoom() == 0) {
        m_readsHeld = true; // no recv, so no further read notification until GetData makes room
        return;
    }
    const std::int32_t received = RecvToBuffer();
    addChecked(m_bytesReceived, received, "CSocket.PostSocketEvent");
    if (received > 0 && m_listener) {
        m_listener->OnDataArrival(static_cast<std::int32_t>(m_strReceived.size()));
    }
}

// A datagram socket is writable at once (Windows tells so as soon as it is registered): while its
// pending datagram waits for its destination's look-up, the completion sends it, not this.
void CSocket::onWrite() {
    if (!m_strSendPending.empty()) {
        if (!MSocketSupport::IsResolving(*this)) {
            SendFromBuffer();
        }
    } else if (m_blnSendCompletePending) {
        m_blnSendCompletePending = false;
        if (m_listener) {
            m_listener->OnSendComplete();
        }
    }
}

// The -1 of a failed accept is no connection; Accept(-1) raises why, while the owner hears of
// it and only then. A connection the owner does not take while it hears of it is closed at once.
void CSocket::onAccept() {
    winsock::SocketAddressIn peer;
    const winsock::Result accepted = winsock::accept(m_socketHandle, &peer);
    const winsock::Socket requestID = accepted.failed() ? winsock::kInvalidSocket : accepted.value;
    if (accepted.failed()) {
        m_acceptFailure = networkError(accepted.error, "CSocket.Accept");
    }
    try {
        if (m_listener) {
            m_listener->OnConnectionRequest(requestID);
        }
    } catch (...) {
        m_acceptFailure.reset();
        dropUntaken(requestID);
        throw;
    }
    m_acceptFailure.reset();
    dropUntaken(requestID);
}

void CSocket::dropUntaken(winsock::Socket requestID) {
    if (requestID == winsock::kInvalidSocket || MSocketSupport::IsRegistered(requestID)) {
        return;
    }
    const winsock::Result closed = winsock::closeSocket(requestID);
    if (closed.failed() && closed.error != winsock::kWsaENotSocket) { // not already closed by a failed Accept
        raiseNetworkError(closed.error, "CSocket.PostSocketEvent");
    }
}

void CSocket::onConnect() {
    readLocalName(true);
    m_state = SocketState::Connected;
    if (m_listener) {
        m_listener->OnConnect();
    }
}

void CSocket::onClose() {
    while (RecvToBuffer() > 0) {
        if (m_listener) {
            m_listener->OnDataArrival(static_cast<std::int32_t>(m_strReceived.size()));
        }
    }
    if (m_state == SocketState::Connected) {
        // The peer has only finished sending: the socket stays open, so that it still hears
        // what the owner sends, until the owner closes it.
        if (m_listener) {
            m_listener->OnClose();
        }
        return;
    }
    if (m_state != SocketState::Closing) {
        m_state = SocketState::Closing;
        if (!m_strSendPending.empty()) {
            SendFromBuffer();
        }
    }
    DestroySocket();
    m_state = SocketState::Closed;
    if (m_listener) {
        m_listener->OnClose();
    }
}

void CSocket::PostGetHostEvent(std::int32_t requestID, std::int32_t hostAddress, std::string& hostName,
                               std::int32_t& errorCode) {
    tellingTheOwner("CSocket.PostGetHostEvent", [&] {
        if (errorCode > 0) {
            m_state = SocketState::Error;
            tellOwner(errorCode, "CSocket.PostGetHostEvent");
            return;
        }
        if (requestID == 0 || requestID != m_lngResolveRequest) {
            return; // a stale look-up
        }
        m_state = SocketState::HostResolved;
        m_remoteHost = hostName;
        const auto address = static_cast<std::uint32_t>(hostAddress);
        m_remoteHostIP = winsock::inetNtoa(address);
        if (m_lngAfterResolve == 0) {
            const winsock::Result connected = winsock::connect(m_socketHandle, socketAddress(address, m_remotePort));
            if (connected.error == winsock::kWsaEWouldBlock) {
                m_state = SocketState::Connecting;
            } else if (connected.failed()) {
                tellOwner(connected.error, "CSocket.PostGetHostEvent");
            }
        } else if (m_lngAfterResolve == 1) {
            SendFromBuffer();
        }
    });
}

// Runs a handling nobody called for; whatever fails in it reaches the owner through OnError with
// the source given, keeping number and description.
template <typename Handling> void CSocket::tellingTheOwner(const char* source, Handling&& handling) {
    const std::shared_ptr<CSocket> keepAlive = weak_from_this().lock(); // a handler may release us
    std::optional<ErrorRecord> failure;
    try {
        handling();
    } catch (const RuntimeError& error) {
        failure = ErrorRecord{error.number(), error.description(), source};
    } catch (const std::exception& error) {
        failure = errorFromException(error, source);
    }
    if (failure) {
        tellOwner(*failure);
    }
}

void CSocket::tellOwner(std::int32_t errorCode, const std::string& source) {
    tellOwner(networkError(errorCode, source));
}

// OnError carries a 16-bit number: a larger one arrives as the overflow it would be.
void CSocket::tellOwner(const ErrorRecord& error) {
    if (!m_listener) {
        return;
    }
    const bool fits = error.number <= std::numeric_limits<std::int16_t>::max();
    std::string description = fits ? error.description : kOverflowDescription;
    bool cancelDisplay = false;
    m_listener->OnError(static_cast<std::int16_t>(fits ? error.number : kOverflowError), description, 0, error.source,
                        "", 0, cancelDisplay);
}

// A port out of range would fail only inside the look-up's completion, where no one
// hears of it; it fails now instead, with the overflow error.
void CSocket::checkRemotePort() const {
    MSocketSupport::UnsignedToInteger(m_remotePort);
}

winsock::SocketAddressIn CSocket::socketAddress(std::uint32_t address, std::int32_t port) const {
    winsock::SocketAddressIn socketAddress;
    socketAddress.port = winsock::hostToNetwork16(static_cast<std::uint16_t>(MSocketSupport::UnsignedToInteger(port)));
    socketAddress.address = address;
    return socketAddress;
}

// Local port and address of the socket; the name is looked up only when asked,
// otherwise it is the address.
void CSocket::readLocalName(bool lookUpName) {
    winsock::SocketAddressIn local;
    if (winsock::getSockName(m_socketHandle, local).failed()) {
        return;
    }
    m_localPort = portFromNetwork(local.port);
    m_localIP = winsock::inetNtoa(local.address);
    if (!lookUpName || !winsock::hostNameByAddress(local.address, m_localHostName)) {
        m_localHostName = m_localIP;
    }
}

// How much the next read may take: what is left below the receive limit, at most one
// chunk; for datagrams nothing unless a whole one fits, since a short read loses the rest.
std::size_t CSocket::receiveRoom() const {
    const std::size_t held = m_strReceived.size();
    const std::size_t left = held < kReceiveLimit ? kReceiveLimit - held : 0;
    const auto chunk = static_cast<std::size_t>(m_lngRecvChunk > 0 ? m_lngRecvChunk : kDefaultRecvChunk);
    if (m_protocol != 0) {
        return left >= chunk ? chunk : 0;
    }
    return std::min(left, chunk);
}

// Queues a notification for the object's own socket, delivered from the message loop
// once the current call chain has returned.
void CSocket::postToSelf(std::int32_t event) {
    win::postMessage(MSocketSupport::MessageWindow(), MSocketSupport::WinsockMessage(),
                     static_cast<win::WParam>(m_socketHandle), event);
}
