#pragma once

#include "ErrorText.h"

#include <QString>

class QWidget;

// False on Qt's offscreen and minimal platforms, where no one could close a message box.
bool hasDisplay();
// Writes the report to standard error and, when there is a display, shows it in a message box.
void reportError(const RuntimeError& error, QWidget* parent = nullptr);
