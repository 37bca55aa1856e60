#include "ProcessMeter.h"

#include "Timing.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

// The number after "Name:" in a /proc status file, or 0 when the field is missing.
long statusField(const std::filesystem::path& statusFile, const std::string& name) {
    std::ifstream file(statusFile);
    std::string key;
    long value = 0;
    while (file >> key) {
        if (key == name + ":" && file >> value) {
            return value;
        }
    }
    return 0;
}

// Switches that happened between the two readings; threads that ended in between are not counted.
long switchesBetween(const std::map<pid_t, long>& before, const std::map<pid_t, long>& after) {
    long total = 0;
    for (const auto& [thread, count] : after) {
        const auto earlier = before.find(thread);
        total += count - (earlier == before.end() ? 0 : earlier->second);
    }
    return total;
}

} // namespace

std::chrono::nanoseconds ProcessMeter::cpuTime() const {
    clockid_t clock{};
    timespec time{};
    if (::clock_getcpuclockid(m_pid, &clock) != 0 || ::clock_gettime(clock, &time) != 0) {
        return {};
    }
    return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

std::map<pid_t, long> ProcessMeter::voluntarySwitches() const {
    std::map<pid_t, long> switches;
    const std::filesystem::path tasks = "/proc/" + std::to_string(m_pid) + "/task";
    std::error_code ignored;
    for (const auto& task : std::filesystem::directory_iterator(tasks, ignored)) {
        switches[std::stoi(task.path().filename())] = statusField(task.path() / "status", "voluntary_ctxt_switches");
    }
    return switches;
}

double ProcessMeter::residentMiB() const {
    return static_cast<double>(statusField("/proc/" + std::to_string(m_pid) + "/status", "VmRSS")) / 1024.0;
}

IdleCost ProcessMeter::measureIdle(std::chrono::milliseconds window) const {
    const std::chrono::nanoseconds cpuBefore = cpuTime();
    const std::map<pid_t, long> switchesBefore = voluntarySwitches();
    const TimePoint start = Clock::now();
    std::this_thread::sleep_for(window);
    const double seconds = millisecondsBetween(start, Clock::now()) / 1000.0;
    const double cpuSeconds = std::chrono::duration<double>(cpuTime() - cpuBefore).count();
    return IdleCost{100.0 * cpuSeconds / seconds,
                    static_cast<double>(switchesBetween(switchesBefore, voluntarySwitches())) / seconds};
}
