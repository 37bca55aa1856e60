#include "StatusClient.h"

#include <windows.h>

#include <string>

// The client end of the status pipe, over the plain Win32 calls: the command runs before any Qt
// event loop exists. Overlapped reads keep every wait within the deadline. The server ends its
// answer with a NUL, and the client closes the pipe once it has read it.
namespace StatusClient {

namespace {

using Clock = std::chrono::steady_clock;

const QString kClosedUnanswered = QStringLiteral("the server closed the connection without an answer");

// Closes the handle on every way out.
class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() {
        if (m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE) {
            CloseHandle(m_handle);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

QString systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const QString message = length > 0 ? QString::fromWCharArray(text, static_cast<int>(length)).trimmed()
                                       : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    return message;
}

Reply failed(const QString& text) {
    return {Reply::Result::Failed, {}, text};
}

DWORD millisecondsUntil(Clock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

Reply connectFailure(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return {Reply::Result::NotRunning, {}, QString()};
    case ERROR_ACCESS_DENIED: return {Reply::Result::Denied, {}, systemMessage(error)};
    default: return failed(systemMessage(error));
    }
}

// A server whose every pipe instance is taken is waited for, within the deadline.
HANDLE openPipe(const std::wstring& name, Clock::time_point end) {
    for (;;) {
        const HANDLE pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PIPE_BUSY) {
            return pipe;
        }
        const DWORD left = millisecondsUntil(end);
        if (left == 0 || WaitNamedPipeW(name.c_str(), left) == FALSE) {
            SetLastError(ERROR_SEM_TIMEOUT);
            return INVALID_HANDLE_VALUE;
        }
    }
}

// One overlapped transfer, waited for until the deadline; answers the byte count, or the error.
bool transfer(HANDLE pipe, HANDLE event, bool reading, char* data, DWORD length, Clock::time_point end, DWORD& moved) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    const BOOL started = reading ? ReadFile(pipe, data, length, nullptr, &overlapped)
                                 : WriteFile(pipe, data, length, nullptr, &overlapped);
    if (started == FALSE && GetLastError() != ERROR_IO_PENDING) {
        return false;
    }
    if (WaitForSingleObject(event, millisecondsUntil(end)) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, &overlapped, &moved, TRUE);
        SetLastError(ERROR_SEM_TIMEOUT);
        return false;
    }
    return GetOverlappedResult(pipe, &overlapped, &moved, FALSE) != FALSE;
}

Reply exchange(HANDLE pipe, QByteArray request, Clock::time_point end) {
    const Handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    DWORD moved = 0;
    if (!transfer(pipe, event.get(), false, request.data(), static_cast<DWORD>(request.size()), end, moved)) {
        const DWORD error = GetLastError();
        return error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE ? failed(kClosedUnanswered)
                                                                    : failed(systemMessage(error));
    }
    Reply reply{Reply::Result::Answered, {}, QString()};
    char buffer[65536];
    for (;;) {
        ResetEvent(event.get());
        if (transfer(pipe, event.get(), true, buffer, sizeof(buffer), end, moved)) {
            reply.answer.append(buffer, static_cast<qsizetype>(moved));
            if (const qsizetype answerEnd = reply.answer.indexOf('\0'); answerEnd >= 0) {
                reply.answer.truncate(answerEnd);
                break;
            }
            continue;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED) {
            break; // the server went before the answer's end
        }
        return error == ERROR_SEM_TIMEOUT ? failed(QStringLiteral("no answer in time")) : failed(systemMessage(error));
    }
    return reply.answer.isEmpty() ? failed(kClosedUnanswered) : reply;
}

} // namespace

Reply ask(const QString& path, const QByteArray& request, std::chrono::milliseconds deadline) {
    const Clock::time_point end = Clock::now() + deadline;
    const std::wstring name = (QStringLiteral("\\\\.\\pipe\\") + path).toStdWString();
    const Handle pipe(openPipe(name, end));
    if (!pipe.valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_SEM_TIMEOUT ? failed(QStringLiteral("no answer in time")) : connectFailure(error);
    }
    return exchange(pipe.get(), request, end);
}

} // namespace StatusClient
