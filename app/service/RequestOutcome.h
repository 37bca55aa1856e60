#pragma once

#include <QString>

// How one station's request ended.
struct RequestOutcome {
    enum class Kind { Served, Withheld, Failed };
    Kind kind = Kind::Failed;
    QString error; // the log's line for the first error met, or why the station got nothing
};
