#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Starts the program and tries to connect to 127.0.0.1:port every millisecond; the milliseconds
// from just before the exec to the first connect that gets through, or nothing if it never does.
std::optional<double> measureStartup(const std::string& program, std::uint16_t port, const std::string& logPath);

// The same probe run by a helper command in a fresh network namespace of its own; the command
// prints the milliseconds, or nothing, on its standard output.
std::optional<double> measureStartupWith(const std::string& command);
