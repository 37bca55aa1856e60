#pragma once

#include "MessageWindows.h"
#include "Winsock.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CSocket;

// The one process-wide service behind every CSocket: starts and stops the network
// service, owns the hidden window that receives socket notifications and look-up
// completions, maps socket handles to their objects, runs host-name look-ups and
// gives the texts of error numbers. The registry and the look-up tables never keep
// an object alive. GUI thread only.
namespace MSocketSupport {

// Starts the network service on first use and answers the largest datagram size.
// Every socket object calls it once when created and CleanupWinsockService once when
// destroyed; the service stops when the last object has gone and no socket is registered.
std::int32_t InitWinsockService();
void CleanupWinsockService();

// Directs the socket's notifications to the object; a failure is raised and leaves the
// socket unregistered.
void RegisterSocket(winsock::Socket handle, CSocket& object);
bool UnregisterSocket(winsock::Socket handle);
bool IsRegistered(winsock::Socket handle);

// Starts a look-up and answers its request handle; a failure is raised. An object has at
// most one look-up pending: a second one fails with 10037.
std::int32_t ResolveHost(const std::string& hostName, CSocket& object);
// Forgets the object's pending look-up, if any: nothing reaches it afterwards.
void CancelResolve(const CSocket& object);
bool IsResolving(const CSocket& object);

std::string GetErrorDescription(std::int32_t number);
std::string StringFromPointer(const char* address);
std::int16_t UnsignedToInteger(std::int32_t value);
std::int32_t IntegerToUnsigned(std::int16_t value);

win::LParam WindowProc(win::WindowHandle window, win::MessageId message, win::WParam wParam, win::LParam lParam);

win::WindowHandle MessageWindow();
win::MessageId WinsockMessage();
win::MessageId ResolveMessage();

bool IsStarted();
std::size_t RegisteredSocketCount();
std::size_t PendingLookupCount();

} // namespace MSocketSupport
