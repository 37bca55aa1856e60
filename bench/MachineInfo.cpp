#include "MachineInfo.h"

#include <cstdlib>
#include <fstream>
#include <sys/utsname.h>
#include <thread>

namespace {

// The text after "key:" on the first line of the file that starts with the key.
std::string fieldOf(const char* path, const std::string& key) {
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        if (line.starts_with(key)) {
            const std::size_t value = line.find_first_not_of(" \t", line.find(':') + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
    }
    return {};
}

} // namespace

MachineInfo describeMachine() {
    utsname names{};
    ::uname(&names);
    const double memoryKiB = std::strtod(fieldOf("/proc/meminfo", "MemTotal").c_str(), nullptr);
    return MachineInfo{fieldOf("/proc/cpuinfo", "model name"), std::thread::hardware_concurrency(),
                       memoryKiB / (1024.0 * 1024.0), std::string(names.sysname) + " " + names.release};
}

std::string loadAverages() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

CpuLoad::Jiffies CpuLoad::read() {
    std::ifstream file("/proc/stat");
    std::string label;
    file >> label;
    Jiffies jiffies;
    long long value = 0;
    for (int column = 0; column < 8 && file >> value; ++column) {
        jiffies.total += value;
        const bool waiting = column == 3 || column == 4; // idle, iowait
        jiffies.busy += waiting ? 0 : value;
    }
    return jiffies;
}

double CpuLoad::busyPercentSinceStart() const {
    const Jiffies now = read();
    const long long total = now.total - m_start.total;
    return total > 0 ? 100.0 * static_cast<double>(now.busy - m_start.busy) / static_cast<double>(total) : 0;
}
