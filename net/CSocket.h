#pragma once

#include "RuntimeError.h"
#include "Variant.h"
#include "Winsock.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// The single listener a socket object raises its events to. Events are raised
// synchronously, as the last step of a handling, so a handler may call back into the
// object, and may even let go of it.
class CSocketEvents {
public:
    virtual ~CSocketEvents() = default;
    virtual void OnClose() {}
    virtual void OnConnect() {}
    virtual void OnConnectionRequest(std::int32_t /*requestID*/) {}
    virtual void OnDataArrival(std::int32_t /*bytesTotal*/) {}
    virtual void OnError(std::int16_t /*Number*/, std::string& /*Description*/, std::int32_t /*Scode*/,
                         const std::string& /*Source*/, const std::string& /*HelpFile*/, std::int32_t /*HelpContext*/,
                         bool& /*CancelDisplay*/) {}
    virtual void OnSendComplete() {}
    virtual void OnSendProgress(std::int32_t /*bytesSent*/, std::int32_t /*bytesRemaining*/) {}
};

namespace SocketState {
constexpr std::int32_t Closed = 0;
constexpr std::int32_t Listening = 2;
constexpr std::int32_t ResolvingHost = 4;
constexpr std::int32_t HostResolved = 5;
constexpr std::int32_t Connecting = 6;
constexpr std::int32_t Connected = 7;
constexpr std::int32_t Closing = 8;
constexpr std::int32_t Error = 9;
} // namespace SocketState

constexpr std::int32_t kWrongProtocolOrState = 40006;
constexpr const char* kWrongProtocolOrStateText =
    "Wrong protocol or connection state for the requested transaction or request.";

// An asynchronous, event-driven TCP or UDP socket. Owns at most one socket at a time
// and releases it when destroyed. Owners hold it by shared_ptr (create()); the socket
// service keeps only weak references. Failures of its operations are raised to the caller as
// RuntimeError with number, description and source; failures nobody called for (a
// notification's error, one met while handling a notification, one CloseSocket absorbs) reach
// the owner through OnError. GUI thread only.
//
// A peer that closes its sending side raises OnClose. If the owner has not closed its own side
// yet, the socket stays connected, so that the peer still hears what the owner sends; the
// owner's CloseSocket ends it. A peer that resets lets the socket go at once, with OnError.
class CSocket : public std::enable_shared_from_this<CSocket> {
    struct Passkey {};

public:
    // Starts the network service on first use; its failure is raised and no object exists.
    static std::shared_ptr<CSocket> create();
    explicit CSocket(Passkey);
    ~CSocket();
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    // The most received data the object keeps for its owner. Beyond it the object stops
    // reading and leaves the rest in the kernel, where TCP flow control holds the sender
    // back; it reads on once the owner takes data with GetData.
    static constexpr std::size_t kReceiveLimit = 1024 * 1024;

    void setListener(CSocketEvents* listener) { m_listener = listener; }

    std::int32_t m_lngTotalBytesReceived = 0;
    std::int32_t m_lngTotalBytesSent = 0;

    void SendData(const Variant& varData);
    void PeekData(Variant& varData, std::optional<std::int32_t> varType = {}, std::optional<std::int32_t> maxLen = {});
    void Listen();
    void GetData(Variant& varData, std::optional<std::int32_t> varType = {}, std::optional<std::int32_t> maxLen = {});
    void Connect(std::optional<std::string> strRemoteHost = {}, std::optional<std::int32_t> lngRemotePort = {});
    void CloseSocket();
    void Bind(std::int32_t lngLocalPort = 0, const std::string& strLocalIP = {});
    void Accept(std::int32_t requestID);

    std::int32_t State() const { return m_state; }
    std::int32_t SocketHandle() const { return m_socketHandle; }
    std::int32_t RemotePort() const { return m_remotePort; }
    void RemotePort(std::int32_t value) { m_remotePort = value; }
    const std::string& RemoteHostIP() const { return m_remoteHostIP; }
    const std::string& RemoteHost() const { return m_remoteHost; }
    void RemoteHost(const std::string& NewValue);
    std::int32_t Protocol() const { return m_protocol; }
    void Protocol(std::int32_t value);
    std::int32_t LocalPort() const { return m_localPort; }
    void LocalPort(std::int32_t value) { m_localPort = value; }
    const std::string& LocalIP() const { return m_localIP; }
    const std::string& LocalHostName() const { return m_localHostName; }
    std::int32_t BytesReceived() const { return m_bytesReceived; }

private:
    friend struct SocketSupportAccess;

    winsock::Socket vbSocket();
    void PostSocketEvent(std::int32_t event, std::int32_t errorCode);
    void PostGetHostEvent(std::int32_t requestID, std::int32_t hostAddress, std::string& hostName,
                          std::int32_t& errorCode);
    void EnsureSocket();
    void takeConnection(winsock::Socket requestID);
    void ReadBufferSizes();
    std::int32_t RecvToBuffer();
    void ReadFromBuffer(Variant& varData, bool peek, std::optional<std::int32_t> varType,
                        std::optional<std::int32_t> maxLen);
    void DestroySocket();
    void forgetConnection();
    void forgetPeer();
    void SendFromBuffer();
    void resolveBeforeSending();

    void onRead();
    void onWrite();
    void onAccept();
    void onConnect();
    void onClose();
    void dropUntaken(winsock::Socket requestID);
    template <typename Handling> void tellingTheOwner(const char* source, Handling&& handling);
    void tellOwner(const ErrorRecord& error);
    void tellOwner(std::int32_t errorCode, const std::string& source);
    void checkRemotePort() const;
    winsock::SocketAddressIn socketAddress(std::uint32_t address, std::int32_t port) const;
    void readLocalName(bool lookUpName);
    std::size_t receiveRoom() const;
    void postToSelf(std::int32_t event);

    CSocketEvents* m_listener = nullptr;
    std::int32_t m_state = SocketState::Closed;
    winsock::Socket m_socketHandle = winsock::kInvalidSocket;
    std::int32_t m_protocol = 0;
    std::int32_t m_localPort = 0;
    std::string m_localIP;
    std::string m_localHostName;
    std::string m_bindAddress; // where the owner asked to listen; empty: every local address
    std::int32_t m_remotePort = 0;
    std::string m_remoteHost;
    std::string m_remoteHostIP;
    std::int32_t m_bytesReceived = 0;

    std::string m_strSendPending;
    std::string m_strReceived;
    std::int32_t m_lngMaxDatagram = 0;
    std::int32_t m_lngRecvChunk = 0;
    std::int32_t m_lngResolveRequest = 0;
    std::int32_t m_lngAfterResolve = 0;
    bool m_blnBound = false;
    bool m_blnSendCompletePending = false;
    bool m_blnBroadcast = false;
    bool m_readsHeld = false;                   // a read notification found the receive buffer full
    std::optional<ErrorRecord> m_acceptFailure; // why the accept the owner is hearing of failed
};
