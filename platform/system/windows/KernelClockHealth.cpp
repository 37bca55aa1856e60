#include "KernelClockHealth.h"

namespace {

std::chrono::nanoseconds wallOffset() {
    return std::chrono::system_clock::now().time_since_epoch() - std::chrono::steady_clock::now().time_since_epoch();
}

} // namespace

KernelClockHealth::KernelClockHealth() : m_wallOffset(wallOffset()) {
    m_look.setInterval(kLookInterval);
    QObject::connect(&m_look, &QTimer::timeout, &m_look, [this] { look(); });
}

ClockReading KernelClockHealth::read() {
    return {};
}

// Looking starts with the first handler, so a program that never asks pays nothing.
void KernelClockHealth::setStepHandler(StepHandler handler) {
    m_onStep = std::move(handler);
    if (m_onStep) {
        m_wallOffset = wallOffset();
        m_look.start();
    } else {
        m_look.stop();
    }
}

void KernelClockHealth::look() {
    const std::chrono::nanoseconds before = m_wallOffset;
    m_wallOffset = wallOffset();
    const auto step = std::chrono::duration_cast<std::chrono::milliseconds>(m_wallOffset - before);
    if ((step >= kStepThreshold || step <= -kStepThreshold) && m_onStep) {
        m_onStep(step);
    }
}
