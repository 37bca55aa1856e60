#include "MessageWindows.h"

#include "GuiThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <map>
#include <memory>

namespace win {

namespace {

struct Window {
    std::string name;
    WindowProc procedure;
};

LParam defaultWindowProc(WindowHandle, MessageId, WParam, LParam) {
    return 0;
}

class MessageEvent : public QEvent {
public:
    static QEvent::Type eventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    MessageEvent(WindowHandle window, MessageId message, WParam wParam, LParam lParam)
        : QEvent(eventType()), m_window(window), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

    WindowHandle m_window;
    MessageId m_message;
    WParam m_wParam;
    LParam m_lParam;
};

// Receives every posted message; one receiver keeps Qt's posting order intact.
class MessageDispatcher : public QObject {
public:
    std::map<WindowHandle, Window> windows;
    std::map<std::string, MessageId> registeredMessages;
    WindowHandle lastHandle = 0;

protected:
    void customEvent(QEvent* event) override {
        if (event->type() != MessageEvent::eventType()) {
            return;
        }
        const auto& posted = static_cast<const MessageEvent&>(*event);
        const auto found = windows.find(posted.m_window);
        if (found == windows.end()) {
            return;
        }
        // Copy the procedure: the call may destroy this window or create others.
        const WindowProc procedure = found->second.procedure;
        procedure(posted.m_window, posted.m_message, posted.m_wParam, posted.m_lParam);
    }
};

MessageDispatcher& dispatcher() {
    static auto* instance = new MessageDispatcher; // lives as long as the process
    return *instance;
}

} // namespace

MessageId registerWindowMessage(const std::string& name) {
    auto& messages = dispatcher().registeredMessages;
    const auto [entry, added] = messages.try_emplace(name, static_cast<MessageId>(0xC000 + messages.size()));
    return entry->second;
}

WindowHandle createWindow(const std::string& windowName) {
    auto& state = dispatcher();
    const WindowHandle handle = ++state.lastHandle;
    state.windows.emplace(handle, Window{windowName, &defaultWindowProc});
    return handle;
}

bool destroyWindow(WindowHandle window) {
    return dispatcher().windows.erase(window) == 1;
}

bool isWindow(WindowHandle window) {
    return dispatcher().windows.count(window) == 1;
}

std::string windowName(WindowHandle window) {
    const auto found = dispatcher().windows.find(window);
    return found == dispatcher().windows.end() ? std::string() : found->second.name;
}

WindowProc setWindowProc(WindowHandle window, WindowProc procedure) {
    const auto found = dispatcher().windows.find(window);
    if (found == dispatcher().windows.end() || procedure == nullptr) {
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
    if (!isWindow(window)) {
        return false;
    }
    QCoreApplication::postEvent(&dispatcher(), new MessageEvent(window, message, wParam, lParam));
    return true;
}

} // namespace win
