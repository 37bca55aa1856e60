#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

// What the kernel says of the system clock at one moment.
struct ClockReading {
    enum class State { Synchronised, NotSynchronised, Unknown };
    State state = State::Unknown;
    std::chrono::microseconds maxError{0}; // the kernel's bound on the clock's error
    bool leapSecondDue = false;            // one is inserted or deleted at the end of the UTC day
};

// How far the system clock can be trusted, and word of each time it is set. The program
// reads the kernel; tests stand in one that answers fixed readings and steps on demand.
class ClockHealth {
public:
    // A step of the clock, forward positive.
    using StepHandler = std::function<void(std::chrono::milliseconds step)>;

    virtual ~ClockHealth() = default;

    virtual ClockReading read() = 0;
    // The handler is called on the event loop each time the clock is set; empty stops it.
    virtual void setStepHandler(StepHandler handler) = 0;
};
