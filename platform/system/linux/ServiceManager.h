#pragma once

#include <chrono>
#include <optional>
#include <string>

// The service manager that started the program, told through systemd's notification protocol
// (libsystemd). Without one (no NOTIFY_SOCKET in the environment) every notice goes nowhere.
namespace ServiceManager {

// Sends assignments such as "READY=1" or "STATUS=text", one per line.
void notify(const std::string& assignments);

// How long the manager waits for "WATCHDOG=1" before it deems the program hung; nothing when it
// keeps no watchdog.
std::optional<std::chrono::microseconds> watchdogTimeout();

} // namespace ServiceManager
