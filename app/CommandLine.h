#pragma once

#include <optional>
#include <string_view>
#include <vector>

// The command line takes no options but the two every command answers: --help and --version.
// Answers the exit status when the arguments (the program's name left out) are handled here,
// printed or refused; nothing when the program should run.
std::optional<int> answerCommandLine(const std::vector<std::string_view>& arguments);
