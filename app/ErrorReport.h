#pragma once

#include "RuntimeError.h"

#include <QString>

class QWidget;

// The program's report of an error nobody else handles: "Error <number>: <description>".
QString describeError(const RuntimeError& error);
// False on Qt's offscreen and minimal platforms, where no one could close a message box.
bool hasDisplay();
// Writes the report to standard error and, when there is a display, shows it in a message box.
void reportError(const RuntimeError& error, QWidget* parent = nullptr);
