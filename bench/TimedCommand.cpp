#include "TimedCommand.h"

#include "Timing.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

std::optional<double> timeCommand(const std::vector<std::string>& command, const std::string& outputPath) {
    std::vector<char*> argv;
    for (const std::string& argument : command) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const TimePoint start = Clock::now();
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (error != 0 || ::waitpid(pid, &status, 0) != pid) {
        return std::nullopt;
    }
    const double milliseconds = millisecondsBetween(start, Clock::now());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::optional<double>(milliseconds) : std::nullopt;
}
