#pragma once

#include "ClockHealth.h"

#include <QTimer>
#include <chrono>

// What Windows tells of the system clock. It gives a program no bound on the clock's error and
// no word of whether the time service keeps it, so the state reads as unknown. Steps are found
// by watching the wall clock against the steady clock once a second. GUI thread only.
class KernelClockHealth : public ClockHealth {
public:
    // A change of the wall clock against the steady one larger than this, within one look, is a
    // step; the time service's slewing moves it far less in a second.
    static constexpr std::chrono::milliseconds kStepThreshold{100};
    static constexpr std::chrono::milliseconds kLookInterval{1000};

    KernelClockHealth();

    ClockReading read() override;
    void setStepHandler(StepHandler handler) override;

private:
    void look();

    QTimer m_look;
    std::chrono::nanoseconds m_wallOffset{0}; // wall clock minus steady clock at the last look
    StepHandler m_onStep;
};
