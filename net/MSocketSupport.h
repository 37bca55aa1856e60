#pragma once

#include "MessageWindows.h"
#include "Winsock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class CSocket;
class RuntimeError;

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

// false with the failure in the current-error record.
bool RegisterSocket(winsock::Socket handle, CSocket& object);
bool UnregisterSocket(winsock::Socket handle);

// The look-up's request handle, or 0 with the failure in the current-error record.
// An object has at most one look-up pending: a second one fails with 10037.
std::int32_t ResolveHost(const std::string& hostName, CSocket& object);
// Forgets the object's pending look-up, if any: nothing reaches it afterwards.
void CancelResolve(const CSocket& object);
bool IsResolving(const CSocket& object);

std::string GetErrorDescription(std::int32_t number);
std::string StringFromPointer(const char* address);
std::int16_t UnsignedToInteger(std::int32_t value);
std::int32_t IntegerToUnsigned(std::int16_t value);

// The window procedure drops an error raised while an object handles a notification, as
// nobody called it; this handler hears of each one first. Empty: nobody hears.
void SetDroppedErrorHandler(std::function<void(const RuntimeError&)> handler);

win::LParam WindowProc(win::WindowHandle window, win::MessageId message, win::WParam wParam, win::LParam lParam);

win::WindowHandle MessageWindow();
win::MessageId WinsockMessage();
win::MessageId ResolveMessage();

bool IsStarted();
std::size_t RegisteredSocketCount();
std::size_t PendingLookupCount();

} // namespace MSocketSupport
