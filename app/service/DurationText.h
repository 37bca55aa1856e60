#pragma once

#include <QString>
#include <chrono>

// A duration as the log writes it: "N s" under a minute, "N min" under an hour, else "N h N min";
// each rounded to the nearest unit it shows.
QString durationText(std::chrono::milliseconds duration);
