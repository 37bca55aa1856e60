#pragma once

#include "MachineInfo.h"
#include "Measurements.h"

#include <ostream>
#include <string>

// What the report says about the circumstances of the run.
struct RunContext {
    MachineInfo machine;
    std::string loadBefore;
    std::string loadAfter;
    double machineBusyPercent = 0;
    double seconds = 0;
};

// Prints the table of figures, each as the median and range over the runs, then the notes.
void printReport(std::ostream& out, const BenchPlan& plan, const Measurements& measurements, const RunContext& context);
