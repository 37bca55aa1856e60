#pragma once

#include <cstdint>
#include <string>

// Hidden message windows and posted messages on the Qt event loop, in place of the
// window-message machinery the socket layer was designed around. All calls belong to
// the GUI thread. Posted messages are delivered in order, one at a time, to the
// window's current procedure; a message whose window is gone by then is dropped.
namespace win {

using WindowHandle = std::uint32_t; // 0 is no window; handles are never reused
using MessageId = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using WindowProc = LParam (*)(WindowHandle, MessageId, WParam, LParam);

// The same name always gives the same number in the process (0xC000 and up).
MessageId registerWindowMessage(const std::string& name);

// A hidden window whose procedure answers 0 to everything until it is replaced.
WindowHandle createWindow(const std::string& windowName);
bool destroyWindow(WindowHandle window);
bool isWindow(WindowHandle window);
std::string windowName(WindowHandle window);

// Replaces the window's procedure and returns the previous one (nullptr when the window is unknown).
WindowProc setWindowProc(WindowHandle window, WindowProc procedure);
LParam callWindowProc(WindowProc procedure, WindowHandle window, MessageId message, WParam wParam, LParam lParam);

// Queues the message for the window; false when the window does not exist.
bool postMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam);

} // namespace win
