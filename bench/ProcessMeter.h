#pragma once

#include <chrono>
#include <map>
#include <sys/types.h>

// What a process costs while it runs on its own: CPU over a window, wake-ups, resident memory.
struct IdleCost {
    double cpuPercentOfOneCore = 0;
    double wakeupsPerSecond = 0;
};

// Reads another process's cost from the kernel: its CPU clock and /proc.
class ProcessMeter {
public:
    explicit ProcessMeter(pid_t pid) : m_pid(pid) {}

    // CPU time of all its threads, with nanosecond resolution.
    std::chrono::nanoseconds cpuTime() const;
    // Voluntary context switches of each live thread: each one is a sleep that ends in a wake-up.
    std::map<pid_t, long> voluntarySwitches() const;
    double residentMiB() const;
    // Watches the process for the window while nothing else is asked of it.
    IdleCost measureIdle(std::chrono::milliseconds window) const;

private:
    pid_t m_pid;
};
