#pragma once

#include <optional>
#include <string>
#include <vector>

// Runs a command with its standard output into a file and answers how long it took, from just
// before it was started to its end, in milliseconds; nothing when it did not exit with status 0.
std::optional<double> timeCommand(const std::vector<std::string>& command, const std::string& outputPath);
