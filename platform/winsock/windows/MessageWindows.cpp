#include "MessageWindows.h"

#include "GuiThread.h"
#include "NativeWindow.h"

#include <map>

namespace win {

namespace {

// Each window keeps the class's own procedure, for what nobody else handles and for its
// destruction, and the procedure of ours that messages go to now.
struct Window {
    WNDPROC classProcedure;
    WindowProc procedure;
};

std::map<WindowHandle, Window>& windows() {
    static auto* instance = new std::map<WindowHandle, Window>; // lives as long as the process
    return *instance;
}

LParam classWindowProc(WindowHandle window, MessageId message, WParam wParam, LParam lParam) {
    const auto found = windows().find(window);
    const HWND native = toNative(window);
    if (found == windows().end()) {
        return DefWindowProcA(native, message, wParam, lParam);
    }
    return CallWindowProcA(found->second.classProcedure, native, message, wParam, lParam);
}

// Every message for one of our windows passes here on its way to the window's current procedure.
// The procedure is copied first: the call may destroy this window or create others.
LRESULT CALLBACK routeMessage(HWND native, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowHandle window = fromNative(native);
    const auto found = windows().find(window);
    if (found == windows().end()) {
        return DefWindowProcA(native, message, wParam, lParam);
    }
    const WindowProc procedure = found->second.procedure;
    return procedure(window, message, wParam, lParam);
}

} // namespace

MessageId registerWindowMessage(const std::string& name) {
    return RegisterWindowMessageA(name.c_str());
}

// A message-only window of the system's "STATIC" class: never shown, never enumerated, and its
// messages are pumped by whatever loop runs the thread's queue, here Qt's event dispatcher.
WindowHandle createWindow(const std::string& windowName) {
    gui_thread::assertOnGuiThread("win::createWindow");
    const HWND native = CreateWindowExA(0, "STATIC", windowName.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
    if (native == nullptr) {
        return 0;
    }
    const auto classProcedure =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(native, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&routeMessage)));
    const WindowHandle window = fromNative(native);
    windows()[window] = Window{classProcedure, &classWindowProc};
    return window;
}

// The class's procedure goes back first, so that the window's last messages reach it.
bool destroyWindow(WindowHandle window) {
    const auto found = windows().find(window);
    if (found == windows().end()) {
        return false;
    }
    const HWND native = toNative(window);
    SetWindowLongPtrA(native, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(found->second.classProcedure));
    windows().erase(found);
    return DestroyWindow(native) != FALSE;
}

bool isWindow(WindowHandle window) {
    return windows().count(window) == 1 && IsWindow(toNative(window)) != FALSE;
}

// Read straight from the window: asking it (GetWindowTextA) would go through its procedure.
std::string windowName(WindowHandle window) {
    if (!isWindow(window)) {
        return {};
    }
    wchar_t name[256] = {};
    const int length = InternalGetWindowText(toNative(window), name, sizeof(name) / sizeof(name[0]));
    std::string text;
    for (int index = 0; index < length; ++index) {
        text += static_cast<char>(name[index]); // the names given here are ASCII
    }
    return text;
}

WindowProc setWindowProc(WindowHandle window, WindowProc procedure) {
    const auto found = windows().find(window);
    if (found == windows().end() || procedure == nullptr) {
        return nullptr;
    }
    const WindowProc previous = found->second.procedure;
    found->second.procedure = procedure;
    return previous;
}

LParam callWindowProc(WindowProc procedure, WindowHandle window, MessageId message, WParam wParam, LParam lParam) {
    return procedure == nullptr ? 0 : procedure(window, message, wParam, lParam);
}

bool postMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam) {
    gui_thread::assertOnGuiThread("win::postMessage");
    return isWindow(window) && PostMessageA(toNative(window), message, wParam, lParam) != FALSE;
}

} // namespace win
