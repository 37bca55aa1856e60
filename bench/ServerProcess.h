#pragma once

#include "Timing.h"

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// A server program run as a child process with its standard output and error written to a log
// file, so that it never blocks on a full pipe. Killed and reaped when the object goes. A program
// named without a directory is looked for on the PATH.
class ServerProcess {
public:
    ServerProcess(const std::string& program, const std::vector<std::string>& arguments, std::string logPath);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    pid_t pid() const { return m_pid; }
    // The moment just before the program was started.
    TimePoint startedAt() const { return m_startedAt; }
    bool running();
    std::string log() const;
    // Polls the log until it holds the text, the program ends or the deadline passes.
    bool waitForLogText(std::string_view text, std::chrono::milliseconds deadline);

private:
    std::string m_logPath;
    TimePoint m_startedAt;
    pid_t m_pid = -1;
    bool m_reaped = false;
};
