// Looks at a running Quillet from outside, as another Windows program sees it, and prints what
// it finds. Plain Win32, so that it needs nothing of Quillet's own or of Qt's.
//   WindowProbe names        the message-only window "SOCKET_WINDOW" of a process named
//                            Quillet.exe, and the registered messages "Quillet.WinsockMessage"
//                            and "Quillet.ResolveMessage", found without registering them
//   WindowProbe border       the style of the window "Brindle Quillet": a caption and a fixed
//                            border, with a minimize button and no sizing frame or maximize button
//   WindowProbe end-session  the session's end as Windows announces it to every top-level window
//                            of Quillet's process: WM_QUERYENDSESSION to each, then WM_ENDSESSION
// Exits 0 when everything asked for is there, 1 otherwise, 2 on a wrong command line.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace {

// Whether the process that owns the window runs a program file named Quillet.exe.
bool ownedByQuillet(HWND window, DWORD* processId) {
    GetWindowThreadProcessId(window, processId);
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, *processId);
    if (process == nullptr) {
        return false;
    }
    char path[MAX_PATH] = {};
    DWORD length = sizeof path;
    const bool named = QueryFullProcessImageNameA(process, 0, path, &length) != 0;
    CloseHandle(process);
    const char* file = std::strrchr(path, '\\');
    return named && _stricmp(file == nullptr ? path : file + 1, "Quillet.exe") == 0;
}

// A registered window message and a registered clipboard format are atoms of the same table,
// from 0xC000 up, so the format's name is the message's. Looking the name up this way leaves the
// table as it was, where RegisterWindowMessageA would add the name if it were missing.
UINT registeredMessage(const char* name) {
    char found[256];
    for (UINT atom = 0xC000; atom <= 0xFFFF; ++atom) {
        if (GetClipboardFormatNameA(atom, found, sizeof found) > 0 && std::strcmp(found, name) == 0) {
            return atom;
        }
    }
    return 0;
}

int names() {
    bool ok = true;
    const HWND socketWindow = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, "SOCKET_WINDOW");
    DWORD processId = 0;
    if (socketWindow == nullptr) {
        std::printf("SOCKET_WINDOW: no message-only window of that name\n");
        ok = false;
    } else if (!ownedByQuillet(socketWindow, &processId)) {
        std::printf("SOCKET_WINDOW: owned by process %lu, which is not Quillet.exe\n", processId);
        ok = false;
    } else {
        std::printf("SOCKET_WINDOW: message-only window of Quillet.exe (process %lu)\n", processId);
    }
    for (const char* name : {"Quillet.WinsockMessage", "Quillet.ResolveMessage"}) {
        const UINT message = registeredMessage(name);
        if (message == 0) {
            std::printf("%s: not registered\n", name);
            ok = false;
        } else {
            std::printf("%s: registered as 0x%04X\n", name, message);
        }
    }
    return ok ? 0 : 1;
}

int border() {
    const HWND window = FindWindowA(nullptr, "Brindle Quillet");
    DWORD processId = 0;
    if (window == nullptr || !ownedByQuillet(window, &processId)) {
        std::printf("Brindle Quillet: no such window of Quillet.exe\n");
        return 1;
    }
    const auto style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    const bool fixed = (style & WS_CAPTION) == WS_CAPTION && (style & WS_THICKFRAME) == 0 &&
                       (style & WS_MINIMIZEBOX) != 0 && (style & WS_MAXIMIZEBOX) == 0;
    std::printf("Brindle Quillet: style 0x%08lX:%s%s%s%s\n", style, (style & WS_CAPTION) ? " caption" : "",
                (style & WS_THICKFRAME) ? " sizing frame" : " fixed border",
                (style & WS_MINIMIZEBOX) ? " minimize" : "", (style & WS_MAXIMIZEBOX) ? " maximize" : "");
    return fixed ? 0 : 1;
}

struct Session {
    DWORD processId = 0;
    UINT message = WM_QUERYENDSESSION;
    int windows = 0;
};

// Sends the session's message to one top-level window of Quillet's, ENDSESSION_LOGOFF as at a
// user's log-off, and waits for the answer as the system does.
BOOL CALLBACK sendToQuillet(HWND window, LPARAM parameter) {
    auto* session = reinterpret_cast<Session*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == session->processId) {
        DWORD_PTR answer = 0;
        const WPARAM ending = session->message == WM_ENDSESSION ? TRUE : 0;
        SendMessageTimeoutA(window, session->message, ending, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer);
        ++session->windows;
    }
    return TRUE;
}

int endSession() {
    const HWND window = FindWindowA(nullptr, "Brindle Quillet");
    Session session;
    if (window == nullptr || !ownedByQuillet(window, &session.processId)) {
        std::printf("Brindle Quillet: no such window of Quillet.exe\n");
        return 1;
    }
    // As Windows does: the question to every window first, then the end to every window.
    EnumWindows(&sendToQuillet, reinterpret_cast<LPARAM>(&session));
    session.windows = 0;
    session.message = WM_ENDSESSION;
    EnumWindows(&sendToQuillet, reinterpret_cast<LPARAM>(&session));
    std::printf("session end sent to %d top-level windows of process %lu\n", session.windows, session.processId);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const char* command = argc == 2 ? argv[1] : "";
    if (std::strcmp(command, "names") == 0) {
        return names();
    }
    if (std::strcmp(command, "border") == 0) {
        return border();
    }
    if (std::strcmp(command, "end-session") == 0) {
        return endSession();
    }
    std::fprintf(stderr, "usage: WindowProbe names | border | end-session\n");
    return 2;
}
