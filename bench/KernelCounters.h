#pragma once

#include <string>

// A TCP extension counter of this network namespace from /proc/net/netstat (for example
// "ListenOverflows": connections a full accept queue turned away), or -1 when it is missing.
long tcpExtensionCounter(const std::string& name);
