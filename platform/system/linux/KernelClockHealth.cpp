#include "KernelClockHealth.h"

#include <cerrno>
#include <ctime>
#include <sys/timerfd.h>
#include <sys/timex.h>
#include <unistd.h>

namespace {

// The kernel caps maxerror at 16 s once nobody updates it; below that a daemon keeps the clock.
constexpr long kUnsynchronisedMaxErrorMicroseconds = 16'000'000;
// Far enough ahead never to expire; the timer is only there to be cancelled by a step.
constexpr time_t kArmAheadSeconds = 100LL * 366 * 24 * 3600;

std::chrono::nanoseconds now(clockid_t clock) {
    timespec time{};
    ::clock_gettime(clock, &time);
    return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

// Time since boot counts suspended time too, so a resume does not look like a step.
std::chrono::nanoseconds wallOffset() {
    return now(CLOCK_REALTIME) - now(CLOCK_BOOTTIME);
}

} // namespace

KernelClockHealth::KernelClockHealth() {
    m_timer = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timer >= 0 && !arm()) {
        ::close(m_timer);
        m_timer = -1;
    }
    if (m_timer < 0) {
        return; // no steps are reported; the state is still read
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_timer, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { onTimerEvent(); });
}

KernelClockHealth::~KernelClockHealth() {
    m_notifier.reset();
    if (m_timer >= 0) {
        ::close(m_timer);
    }
}

ClockReading KernelClockHealth::read() {
    timex state{};
    state.modes = 0; // read only
    if (::adjtimex(&state) == -1) {
        return {};
    }
    ClockReading reading;
    reading.state = state.maxerror < kUnsynchronisedMaxErrorMicroseconds ? ClockReading::State::Synchronised
                                                                         : ClockReading::State::NotSynchronised;
    reading.maxError = std::chrono::microseconds(state.maxerror);
    reading.leapSecondDue = (state.status & (STA_INS | STA_DEL)) != 0;
    return reading;
}

void KernelClockHealth::setStepHandler(StepHandler handler) {
    m_onStep = std::move(handler);
}

// Armed first, then the offset taken: a step between the two is still caught. A timer that
// cannot be armed would never wake again, so the caller stops watching instead.
bool KernelClockHealth::arm() {
    itimerspec deadline{};
    ::clock_gettime(CLOCK_REALTIME, &deadline.it_value);
    deadline.it_value.tv_sec += kArmAheadSeconds;
    if (::timerfd_settime(m_timer, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &deadline, nullptr) != 0) {
        return false;
    }
    m_wallOffset = wallOffset();
    return true;
}

// A read fails with ECANCELED after a step; an expiry means the clock went past the far
// deadline, a step as well. Either way the timer is armed again.
void KernelClockHealth::onTimerEvent() {
    std::uint64_t expirations = 0;
    const ssize_t got = ::read(m_timer, &expirations, sizeof(expirations));
    if (got < 0 && errno == EAGAIN) {
        return;
    }
    const std::chrono::nanoseconds before = m_wallOffset;
    if (!arm()) {
        m_notifier->setEnabled(false); // this step is still reported; later ones cannot be
    }
    if (m_onStep) {
        m_onStep(std::chrono::duration_cast<std::chrono::milliseconds>(m_wallOffset - before));
    }
}
