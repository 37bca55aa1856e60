#pragma once

#include "ClockHealth.h"

#include <QSocketNotifier>
#include <memory>

// The kernel's clock state from adjtimex (no privilege needed), and clock steps from a
// timerfd that the kernel cancels whenever the clock is set. Owns the timerfd.
class KernelClockHealth : public ClockHealth {
public:
    KernelClockHealth();
    ~KernelClockHealth() override;
    KernelClockHealth(const KernelClockHealth&) = delete;
    KernelClockHealth& operator=(const KernelClockHealth&) = delete;

    ClockReading read() override;
    void setStepHandler(StepHandler handler) override;

private:
    bool arm();
    void onTimerEvent();

    int m_timer = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::chrono::nanoseconds m_wallOffset{0}; // wall clock minus time since boot, changed only by steps
    StepHandler m_onStep;
};
