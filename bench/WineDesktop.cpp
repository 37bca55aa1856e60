#include "WineDesktop.h"

#include "ServerProcess.h"
#include "TimedCommand.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::chrono::seconds kDisplayLimit{20};
constexpr const char* kVariables[] = {"WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES", "DISPLAY"};

bool onPath(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::istringstream directories(path != nullptr ? path : "");
    for (std::string directory; std::getline(directories, directory, ':');) {
        if (::access((std::filesystem::path(directory) / tool).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// The display number Xvfb writes on its own line once it accepts clients.
std::optional<std::string> displayNumberIn(const std::string& log) {
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
            return line;
        }
    }
    return std::nullopt;
}

} // namespace

std::string WineDesktop::missingTool() {
    for (const char* tool : {"wine", "wineboot", "wineserver", "Xvfb"}) {
        if (!onPath(tool)) {
            return tool;
        }
    }
    return "";
}

WineDesktop::WineDesktop(const std::string& directory) : m_directory(directory), m_prefix(directory + "/wine-prefix") {
    std::filesystem::remove_all(m_prefix);
    ::setenv("WINEPREFIX", m_prefix.c_str(), 1);
    ::setenv("WINEDEBUG", "-all", 1);
    // Without the first two Wine offers to download Mono and Gecko in a dialog nobody can answer;
    // without the third a crash waits for a debugger (as tests/windows/wine-environment.sh).
    ::setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;winedbg.exe=d", 1);
    startDisplay();
    boot();
    // Wine closes its desktop a moment after the last program with a window on it ends, and the
    // next program then waits for it to start again. Windows' desktop stays, so one of Wine's own
    // programs keeps it open between the samples.
    m_desktopHolder =
        std::make_unique<ServerProcess>("wine", std::vector<std::string>{"clock.exe"}, m_directory + "/wine-clock.log");
}

// wineboot -i, with what Wine says meanwhile kept in its log rather than among the bench's lines.
void WineDesktop::boot() {
    const std::string log = m_directory + "/wineboot.log";
    const std::optional<double> milliseconds = timeCommand({"sh", "-c", "exec wineboot -i 2>&1"}, log);
    if (!milliseconds) {
        throw std::runtime_error("wineboot -i failed; see " + log);
    }
    m_bootSeconds = *milliseconds / 1000.0;
}

// Xvfb -displayfd writes its display number to its standard output, which is the log.
void WineDesktop::startDisplay() {
    const std::string log = m_directory + "/xvfb.log";
    m_display = std::make_unique<ServerProcess>(
        "Xvfb", std::vector<std::string>{"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, log);
    const TimePoint giveUpAt = Clock::now() + kDisplayLimit;
    std::optional<std::string> number;
    while (!(number = displayNumberIn(m_display->log()))) {
        if (!m_display->running() || Clock::now() > giveUpAt) {
            throw std::runtime_error("Xvfb did not start; see " + log);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::setenv("DISPLAY", (":" + *number).c_str(), 1);
}

WineDesktop::~WineDesktop() {
    m_desktopHolder.reset();
    // Ends this prefix's server and every program still running in it, no other prefix's.
    timeCommand({"wineserver", "-k"}, m_directory + "/wineserver-kill.log");
    m_display.reset();
    std::error_code ignored;
    std::filesystem::remove_all(m_prefix, ignored);
    for (const char* variable : kVariables) {
        ::unsetenv(variable);
    }
}
