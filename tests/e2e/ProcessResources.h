#pragma once

#include <map>
#include <string>
#include <sys/types.h>

// What the kernel says a running process holds, read from /proc.
namespace e2e {

// What each open descriptor refers to ("socket:[1234]", "/dev/null", ...), by number.
std::map<int, std::string> openDescriptors(pid_t pid);
// Resident memory now, and its peak since the start or the last resetPeakResident, in KiB.
long residentKiB(pid_t pid);
long peakResidentKiB(pid_t pid);
void resetPeakResident(pid_t pid);

} // namespace e2e
