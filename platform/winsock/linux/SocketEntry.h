#pragma once

#include "Winsock.h"

#include <QSocketNotifier>
#include <memory>
#include <optional>

namespace winsock {

// One open socket: its descriptor, what it is doing, and the readiness notifiers that
// turn into posted notifications while it is selected. Owns the descriptor and closes
// it when destroyed (notifiers first, so none outlives the descriptor it watches).
class SocketEntry {
public:
    SocketEntry(Socket handle, int descriptor, int type);
    ~SocketEntry();
    // Stops watching and closes the descriptor: 0, or the errno of a failed close.
    int close();
    SocketEntry(const SocketEntry&) = delete;
    SocketEntry& operator=(const SocketEntry&) = delete;

    Socket handle() const { return m_handle; }
    int descriptor() const { return m_descriptor; }
    bool isStream() const { return m_type == kSockStream; }
    bool isConnecting() const { return m_connecting; }
    bool isConnected() const { return m_connected; }

    void select(win::WindowHandle window, win::MessageId message, std::int32_t events);
    void markListening();
    // Called on a socket that accept() made, with the peer address accept() returned: it
    // counts as connected even when its peer has already gone, so its close is still
    // reported, and its peer stays known when getpeername() no longer answers.
    void markAccepted(const SocketAddressIn& peer) {
        m_connected = true;
        m_acceptedPeer = peer;
    }
    const std::optional<SocketAddressIn>& acceptedPeer() const { return m_acceptedPeer; }
    // Called after recv/accept: read and accept notifications may come again.
    void rearmRead();
    // Called after a send that would block: one write notification once writable.
    void awaitWritable();
    // Called when a non-blocking connect is under way; error 0 means it already succeeded.
    void connectStarted();
    void connectFinished(int wsaError);

private:
    bool selects(std::int32_t event) const { return (m_events & event) != 0; }
    // A stream that neither listens nor is connected polls as readable on Linux
    // without anything to report, so its reads are watched only from then on.
    bool hasReadsToWatch() const { return !m_closeNotified && (!isStream() || m_listening || m_connected); }
    void post(std::int32_t event, int wsaError);
    void onReadable();
    void onWritable();
    void checkStreamEnd();

    Socket m_handle;
    int m_descriptor;
    int m_type;
    bool m_listening = false;
    bool m_connecting = false;
    bool m_connected = false;
    bool m_writeBlocked = false;
    bool m_closeNotified = false;
    win::WindowHandle m_window = 0;
    win::MessageId m_message = 0;
    std::int32_t m_events = 0;
    std::optional<SocketAddressIn> m_acceptedPeer;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
};

} // namespace winsock
