#pragma once

#include <memory>
#include <string>

class ServerProcess;

// A fresh Wine prefix, booted once, on a virtual X display of its own, for the Windows build of
// the program. While it lives, the variables Wine reads (WINEPREFIX, DISPLAY, ...) are set in
// this process, so every program the bench starts meanwhile runs in that prefix and on that display.
class WineDesktop {
public:
    // The first of the tools Wine needs here that is not on the PATH, or empty when all are.
    static std::string missingTool();

    // Makes the prefix in the directory and boots it; throws when Xvfb or Wine cannot start.
    explicit WineDesktop(const std::string& directory);
    ~WineDesktop();
    WineDesktop(const WineDesktop&) = delete;
    WineDesktop& operator=(const WineDesktop&) = delete;

    double bootSeconds() const { return m_bootSeconds; }

private:
    void startDisplay();
    void boot();

    std::string m_directory;
    std::string m_prefix;
    double m_bootSeconds = 0;
    std::unique_ptr<ServerProcess> m_display;
    std::unique_ptr<ServerProcess> m_desktopHolder;
};
