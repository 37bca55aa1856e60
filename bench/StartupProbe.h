#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// From just before the exec to the first connect that gets through, and the program's resident
// memory at that moment.
struct StartUp {
    double milliseconds = 0;
    double residentMiB = 0;
};

// Starts the program and tries to connect to 127.0.0.1:port every millisecond; nothing if no
// connect gets through within the give-up time.
std::optional<StartUp> measureStartup(const std::string& program, const std::vector<std::string>& arguments,
                                      std::uint16_t port, const std::string& logPath,
                                      std::chrono::seconds giveUp = std::chrono::seconds(15));

// The same probe run by a helper command in a fresh network namespace of its own; the command
// prints the milliseconds and the MiB, or nothing, on its standard output.
std::optional<StartUp> measureStartupWith(const std::string& command);
