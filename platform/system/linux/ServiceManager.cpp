#include "ServiceManager.h"

#include <systemd/sd-daemon.h>

namespace ServiceManager {

void notify(const std::string& assignments) {
    sd_notify(0, assignments.c_str());
}

std::optional<std::chrono::microseconds> watchdogTimeout() {
    std::uint64_t microseconds = 0;
    if (sd_watchdog_enabled(0, &microseconds) <= 0 || microseconds == 0) {
        return std::nullopt;
    }
    return std::chrono::microseconds(microseconds);
}

} // namespace ServiceManager
