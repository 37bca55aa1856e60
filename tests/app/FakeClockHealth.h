#pragma once

#include "ClockHealth.h"

// The kernel's clock state as a test sets it; step() reports a clock step as the kernel would.
class FakeClockHealth : public ClockHealth {
public:
    ClockReading read() override { return reading; }
    void setStepHandler(StepHandler handler) override { m_onStep = std::move(handler); }
    void step(std::chrono::milliseconds size) { m_onStep(size); }

    ClockReading reading{ClockReading::State::Synchronised, std::chrono::microseconds(1'500), false};

private:
    StepHandler m_onStep;
};
