#include "ServerProcess.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

constexpr std::chrono::milliseconds kLogPollInterval{2};

std::vector<char*> argumentVector(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> vector{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        vector.push_back(const_cast<char*>(argument.c_str()));
    }
    vector.push_back(nullptr);
    return vector;
}

} // namespace

ServerProcess::ServerProcess(const std::string& program, const std::vector<std::string>& arguments, std::string logPath)
    : m_logPath(std::move(logPath)) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, m_logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> argv = argumentVector(program, arguments);
    m_startedAt = Clock::now();
    const int error = posix_spawnp(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + program);
    }
}

ServerProcess::~ServerProcess() {
    if (!m_reaped) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

bool ServerProcess::running() {
    if (!m_reaped && ::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_reaped = true;
    }
    return !m_reaped;
}

std::string ServerProcess::log() const {
    std::ifstream file(m_logPath);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool ServerProcess::waitForLogText(std::string_view text, std::chrono::milliseconds deadline) {
    const TimePoint giveUpAt = Clock::now() + deadline;
    while (log().find(text) == std::string::npos) {
        if (!running() || Clock::now() > giveUpAt) {
            return false;
        }
        std::this_thread::sleep_for(kLogPollInterval);
    }
    return true;
}
