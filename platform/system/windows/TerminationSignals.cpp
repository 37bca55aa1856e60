#include "TerminationSignals.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QMetaObject>

#include <windows.h>

#include <atomic>
#include <mutex>

// Windows ends a program through its console (Ctrl+C, Ctrl+Break, closing the console, the
// user's logoff, the system's shutdown) and through the session's end, which it announces to
// every top-level window with WM_QUERYENDSESSION and WM_ENDSESSION. Each is turned into
// terminationRequested on the GUI thread, so that the program leaves the way its exit command does.
namespace {

// Windows ends the process when a console close, logoff or shutdown handler returns, and at the
// latest about 5 s after the event; the handler waits this long for the exit steps.
constexpr DWORD kConsoleEndWaitMilliseconds = 4500;

std::atomic<const char*> g_requestedBy{nullptr}; // the first event's name
std::mutex g_instanceMutex;                      // guards g_instance against the console's thread
TerminationSignals* g_instance = nullptr;
HANDLE g_exitStepsDone = nullptr; // set once the reporter is gone, the program's exit steps with it
HWND g_sessionWindow = nullptr;
bool g_consoleHandlerInstalled = false;

// Whether this is the first event, the one the program leaves on.
bool record(const char* name) {
    const char* none = nullptr;
    return g_requestedBy.compare_exchange_strong(none, name);
}

void reportToGuiThread() {
    const std::lock_guard lock(g_instanceMutex);
    if (g_instance != nullptr) {
        QMetaObject::invokeMethod(g_instance, &TerminationSignals::terminationRequested, Qt::QueuedConnection);
    }
}

const char* consoleEventName(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT: return "CTRL_C_EVENT";
    case CTRL_BREAK_EVENT: return "CTRL_BREAK_EVENT";
    case CTRL_CLOSE_EVENT: return "CTRL_CLOSE_EVENT";
    case CTRL_LOGOFF_EVENT: return "CTRL_LOGOFF_EVENT";
    case CTRL_SHUTDOWN_EVENT: return "CTRL_SHUTDOWN_EVENT";
    default: return nullptr;
    }
}

// Runs on a thread of the console's own. Ctrl+C and Ctrl+Break leave the process running; the
// other events end it when this returns, so it waits for the exit steps first.
BOOL WINAPI onConsoleEvent(DWORD event) {
    const char* name = consoleEventName(event);
    if (name == nullptr) {
        return FALSE;
    }
    record(name);
    reportToGuiThread();
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && g_exitStepsDone != nullptr) {
        WaitForSingleObject(g_exitStepsDone, kConsoleEndWaitMilliseconds);
    }
    return TRUE;
}

// The session may end the process once WM_ENDSESSION has been answered, so the exit command
// runs before the answer; the event loop's end and the last log line follow. Only the GUI thread
// sets the instance, and this runs on it.
void endSession() {
    if (record("WM_ENDSESSION") && g_instance != nullptr) {
        emit g_instance->terminationRequested();
    }
}

LRESULT CALLBACK sessionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) {
        return TRUE;
    }
    if (message == WM_ENDSESSION && wParam != FALSE) {
        endSession();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Windows sends the session's end to every top-level window, Qt's own among them, in an order of
// its choosing; Qt quits its event loop at the first it gets. Each is taken here before Qt sees it,
// so that the program leaves on it whichever window hears it first.
class SessionEndFilter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override {
        const auto* windowsMessage = static_cast<const MSG*>(message);
        if (eventType != "windows_generic_MSG" || windowsMessage->message != WM_ENDSESSION ||
            windowsMessage->wParam == FALSE) {
            return false;
        }
        endSession();
        *result = 0;
        return true;
    }
};
SessionEndFilter g_sessionEndFilter;

// A hidden top-level window: message-only windows hear no broadcast, and the session's end is one.
HWND createSessionWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &sessionWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "Quillet.SessionEnd";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           windowClass.hInstance, nullptr);
}

} // namespace

void TerminationSignals::catchSignals() {
    if (g_consoleHandlerInstalled) {
        return;
    }
    g_consoleHandlerInstalled = true;
    if (g_exitStepsDone == nullptr) {
        g_exitStepsDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
}

bool TerminationSignals::requested() {
    return g_requestedBy.load() != nullptr;
}

QString TerminationSignals::requestedBy() {
    const char* name = g_requestedBy.load();
    return name == nullptr ? QString() : QString::fromLatin1(name);
}

TerminationSignals::TerminationSignals() {
    catchSignals();
    ResetEvent(g_exitStepsDone);
    {
        const std::lock_guard lock(g_instanceMutex);
        g_instance = this;
    }
    g_sessionWindow = createSessionWindow();
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installNativeEventFilter(&g_sessionEndFilter);
    }
    if (requested()) {
        reportToGuiThread();
    }
}

TerminationSignals::~TerminationSignals() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(&g_sessionEndFilter);
    }
    if (g_sessionWindow != nullptr) {
        DestroyWindow(g_sessionWindow);
        g_sessionWindow = nullptr;
    }
    {
        const std::lock_guard lock(g_instanceMutex);
        g_instance = nullptr;
    }
    SetConsoleCtrlHandler(&onConsoleEvent, FALSE);
    g_consoleHandlerInstalled = false;
    g_requestedBy = nullptr;
    SetEvent(g_exitStepsDone);
}
