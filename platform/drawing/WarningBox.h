#pragma once

#include <functional>
#include <string>

// A warning shown to the user with an OK button: the box's title and its text.
using WarningBoxHandler = std::function<void(const std::string& title, const std::string& text)>;

// Hands the warning to the installed handler. The default handler, and the fallback when a
// handler throws, writes "title: text" to standard error and never opens a box.
void showWarningBox(const std::string& title, const std::string& text) noexcept;

// Installs a handler (an empty one restores the default) and returns the one it replaces.
WarningBoxHandler setWarningBoxHandler(WarningBoxHandler handler);
