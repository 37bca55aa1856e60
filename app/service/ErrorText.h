#pragma once

#include "RuntimeError.h"

#include <QString>

// How the program words an error for the log and for its report: "Error <number>: <description>".
QString describeError(const ErrorRecord& error);
QString describeError(const RuntimeError& error);
