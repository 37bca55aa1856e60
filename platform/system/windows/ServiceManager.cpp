#include "ServiceManager.h"

// Windows starts this program from the desktop or the Startup folder, never from a service
// manager that takes notices, so there is nobody to tell: every notice goes nowhere.
namespace ServiceManager {

void notify(const std::string&) {}

std::optional<std::chrono::microseconds> watchdogTimeout() {
    return std::nullopt;
}

} // namespace ServiceManager
