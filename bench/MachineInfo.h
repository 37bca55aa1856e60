#pragma once

#include <string>

// The machine a run came from, for the report.
struct MachineInfo {
    std::string cpuModel;
    unsigned cores = 0;
    double memoryGiB = 0;
    std::string kernel;
};

MachineInfo describeMachine();

// The 1, 5 and 15 minute load averages as the kernel states them.
std::string loadAverages();

// How busy all CPUs were, every process counted, since the object was made, as a percentage.
class CpuLoad {
public:
    CpuLoad() : m_start(read()) {}
    double busyPercentSinceStart() const;

private:
    struct Jiffies {
        long long busy = 0;
        long long total = 0;
    };
    static Jiffies read();

    Jiffies m_start;
};
