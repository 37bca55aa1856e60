#pragma once

#include <optional>
#include <string_view>
#include <vector>

// The command line takes the two options every command answers, --help and --version, and
// --status [--json], which asks the running server and prints its answer. Answers the exit
// status when the arguments (the program's name left out) are handled here, printed or
// refused; nothing when the program should run.
std::optional<int> answerCommandLine(const std::vector<std::string_view>& arguments);
