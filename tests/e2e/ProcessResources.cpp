#include "ProcessResources.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>

namespace e2e {

namespace {

std::filesystem::path procEntry(pid_t pid, const char* name) {
    return std::filesystem::path("/proc") / std::to_string(pid) / name;
}

// A "Name:   1234 kB" line of /proc/<pid>/status; -1 when absent.
long statusKiB(pid_t pid, const std::string& name) {
    std::ifstream status(procEntry(pid, "status"));
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(name + ':')) {
            return std::stol(line.substr(name.size() + 1));
        }
    }
    return -1;
}

} // namespace

std::map<int, std::string> openDescriptors(pid_t pid) {
    std::map<int, std::string> open;
    std::error_code gone; // a descriptor closed while the folder is read
    for (const auto& entry : std::filesystem::directory_iterator(procEntry(pid, "fd"))) {
        open[std::stoi(entry.path().filename().string())] = std::filesystem::read_symlink(entry.path(), gone).string();
    }
    return open;
}

std::map<int, std::string> ownDescriptors(pid_t pid) {
    std::map<int, std::string> own = openDescriptors(pid);
    std::erase_if(own, [](const auto& entry) { return entry.second == "anon_inode:[eventfd]"; });
    return own;
}

std::string describeDescriptors(const std::map<int, std::string>& descriptors) {
    std::string text;
    for (const auto& [number, target] : descriptors) {
        text += ' ' + std::to_string(number) + ':' + target;
    }
    return text;
}

bool holdsListeningSocket(pid_t pid, const std::map<int, std::string>& descriptors) {
    constexpr const char* kListen = "0A"; // the state column of a listening socket
    std::ifstream table(procEntry(pid, "net/tcp"));
    std::string line;
    std::getline(table, line); // the heading
    std::set<std::string> listeners;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
        if (state == kListen) {
            listeners.insert("socket:[" + inode + ']');
        }
    }
    return std::any_of(descriptors.begin(), descriptors.end(),
                       [&](const auto& entry) { return listeners.count(entry.second) != 0; });
}

int lowestFreeDescriptor(const std::map<int, std::string>& descriptors) {
    int free = 0;
    while (descriptors.count(free) != 0) {
        ++free;
    }
    return free;
}

long setDescriptorLimit(pid_t pid, long limit) {
    rlimit old{};
    ::prlimit(pid, RLIMIT_NOFILE, nullptr, &old);
    rlimit changed = old;
    changed.rlim_cur = static_cast<rlim_t>(limit);
    ::prlimit(pid, RLIMIT_NOFILE, &changed, nullptr);
    return static_cast<long>(old.rlim_cur);
}

long residentKiB(pid_t pid) {
    return statusKiB(pid, "VmRSS");
}

long peakResidentKiB(pid_t pid) {
    return statusKiB(pid, "VmHWM");
}

void resetPeakResident(pid_t pid) {
    std::ofstream(procEntry(pid, "clear_refs")) << "5"; // 5: reset the peak resident size
}

} // namespace e2e
