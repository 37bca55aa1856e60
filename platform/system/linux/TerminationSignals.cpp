#include "TerminationSignals.h"

#include <array>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Signals whose default ends the program at once without it having done anything wrong; the
// real-time ones follow. Faults of its own (SIGSEGV, SIGABRT and the like) keep their default.
constexpr std::array kNamedEndingSignals{SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGUSR1,   SIGUSR2, SIGALRM,
                                         SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT, SIGXCPU, SIGXFSZ};
// A stopped server serves nobody and does not act on SIGTERM until it is continued.
constexpr std::array kStopSignals{SIGTSTP, SIGTTIN, SIGTTOU};

int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_requestedBy = 0; // the first signal's number
bool g_hangUpIgnored = false;                 // by the parent, as nohup does

template <typename Action> void forEachEndingSignal(Action action) {
    for (const int number : kNamedEndingSignals) {
        if (number != SIGHUP || !g_hangUpIgnored) {
            action(number);
        }
    }
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) {
        action(number);
    }
}

// Only async-signal-safe work here: a number and one byte into the pipe. The other ending
// signals are blocked meanwhile, so the first one stays the one named.
void onEndingSignal(int number) {
    if (g_requestedBy == 0) {
        g_requestedBy = number;
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

bool parentIgnoresHangUp() {
    struct sigaction current {};
    sigaction(SIGHUP, nullptr, &current);
    return current.sa_handler == SIG_IGN;
}

} // namespace

void TerminationSignals::catchSignals() {
    if (g_signalPipe[0] >= 0) {
        return;
    }
    std::signal(SIGPIPE, SIG_IGN);
    for (const int number : kStopSignals) {
        std::signal(number, SIG_IGN);
    }
    g_hangUpIgnored = parentIgnoresHangUp();
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_signalPipe);
    struct sigaction action {};
    action.sa_handler = &onEndingSignal;
    sigemptyset(&action.sa_mask);
    forEachEndingSignal([&](int number) { sigaddset(&action.sa_mask, number); });
    action.sa_flags = SA_RESTART;
    forEachEndingSignal([&](int number) { sigaction(number, &action, nullptr); });
    sigprocmask(SIG_UNBLOCK, &action.sa_mask, nullptr);
}

bool TerminationSignals::requested() {
    return g_requestedBy != 0;
}

QString TerminationSignals::requestedBy() {
    const int number = g_requestedBy;
    if (number == 0) {
        return {};
    }
    if (number >= SIGRTMIN && number <= SIGRTMAX) {
        return QStringLiteral("SIGRTMIN+%1").arg(number - SIGRTMIN);
    }
    const char* abbreviation = sigabbrev_np(number);
    return abbreviation ? QStringLiteral("SIG") + QLatin1String(abbreviation) : QStringLiteral("signal %1").arg(number);
}

TerminationSignals::TerminationSignals() {
    catchSignals();
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_signalPipe[0], bytes, sizeof(bytes)) > 0) {
        }
        emit terminationRequested();
    });
}

TerminationSignals::~TerminationSignals() {
    forEachEndingSignal([](int number) { std::signal(number, SIG_DFL); });
    m_notifier.reset();
    ::close(g_signalPipe[0]);
    ::close(g_signalPipe[1]);
    g_signalPipe[0] = g_signalPipe[1] = -1;
    g_requestedBy = 0;
}
