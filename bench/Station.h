#pragma once

#include "Timing.h"
#include "support/FileDescriptor.h"

#include <array>
#include <cstdint>
#include <poll.h>
#include <string>

// How one connection attempt of a station ended.
// A hang is a connect or a read without progress for the stall limit; the station then retries.
enum class Attempt { Served, Refused, Reset, Empty, Short, ConnectHung, ReplyHung, Failed, kCount };

using AttemptCounts = std::array<int, static_cast<std::size_t>(Attempt::kCount)>;

// What one station went through until it was served (or given up on).
struct StationRecord {
    TimePoint started;    // its first connect attempt
    TimePoint connecting; // the connect call of the attempt that was served
    TimePoint ended;      // end of stream of that attempt
    std::string reply;
    int attempts = 0;
    bool served = false;
    AttemptCounts outcomes{};
};

// One time-clock station as a non-blocking state machine: connect, read to the end of the stream,
// and 10 ms after a refusal, a reset or an empty answer try again, until it holds a full reply.
class Station {
public:
    static constexpr std::size_t kReplySize = 12;

    Station(std::uint16_t port, TimePoint now);

    bool done() const { return m_phase == Phase::Done; }
    // The socket to watch (fd -1 while waiting to retry).
    pollfd pollEntry() const;
    // When onDeadline is due: the retry time, or the limit of a connect or read that hangs.
    TimePoint deadline() const { return m_deadline; }
    void onReady(TimePoint now);
    void onDeadline(TimePoint now);
    const StationRecord& record() const { return m_record; }

private:
    enum class Phase { Waiting, Connecting, Reading, Done };

    void attempt(TimePoint now);
    void becomeConnected(TimePoint now);
    void readAvailable(TimePoint now);
    void finish(Attempt outcome, TimePoint now);

    std::uint16_t m_port;
    Phase m_phase = Phase::Waiting;
    FileDescriptor m_socket;
    TimePoint m_deadline;
    TimePoint m_attemptStarted;
    std::string m_received;
    StationRecord m_record;
};
