#pragma once

#include <map>
#include <string>
#include <sys/types.h>

// What the kernel says a running process holds, read from /proc.
namespace e2e {

// What each open descriptor refers to ("socket:[1234]", "/dev/null", ...), by number.
std::map<int, std::string> openDescriptors(pid_t pid);
// The same less the event descriptors of GLib's worker threads, which come and go on their
// own while the server idles.
std::map<int, std::string> ownDescriptors(pid_t pid);
// " 3:socket:[1234] 4:/dev/null", for a failure message.
std::string describeDescriptors(const std::map<int, std::string>& descriptors);
// Whether one of these descriptors of the process is a TCP socket that listens.
bool holdsListeningSocket(pid_t pid, const std::map<int, std::string>& descriptors);
// The lowest descriptor number free among these.
int lowestFreeDescriptor(const std::map<int, std::string>& descriptors);
// Sets the process's soft limit on open descriptors; answers the limit it had.
long setDescriptorLimit(pid_t pid, long limit);
// Resident memory now, and its peak since the start or the last resetPeakResident, in KiB.
long residentKiB(pid_t pid);
long peakResidentKiB(pid_t pid);
void resetPeakResident(pid_t pid);

} // namespace e2e
