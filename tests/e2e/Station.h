#pragma once

#include "support/FileDescriptor.h"

#include "support/LoopbackAddress.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace e2e {

using namespace std::chrono_literals;

// How long a station that is refused or dropped waits before it tries again.
constexpr auto kRetryPause = 20ms;

// How a station's stream ended.
enum class Ending { Fin, Reset, TimedOut };

struct Answer {
    std::string bytes;
    Ending ending = Ending::TimedOut;
};

// A station on a loopback address (127.0.0.1 unless told) made of a plain POSIX socket. Every call is bounded by a
// deadline and never touches the Qt event loop, so many can run on worker threads
// while the test's own thread keeps reading the server's log.
class Station {
public:
    // nullptr when refused, reset, or not connected within the timeout. A connection
    // completes in the kernel at once unless the server's listen queue is full, and then
    // the SYN is retried only after a second: a fresh attempt comes sooner.
    // From and to a loopback host each, 127.0.0.1 unless told.
    static std::unique_ptr<Station> connect(std::uint16_t port, std::chrono::milliseconds timeout = 200ms,
                                            std::uint32_t fromHost = testing_support::loopbackHost(),
                                            std::uint32_t toHost = testing_support::loopbackHost());
    // Retries a refused connection until the deadline.
    static std::unique_ptr<Station> connectRetrying(std::uint16_t port, std::chrono::milliseconds deadline = 5s,
                                                    std::uint32_t fromHost = testing_support::loopbackHost(),
                                                    std::uint32_t toHost = testing_support::loopbackHost());
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // False when the server stopped taking bytes before the deadline.
    bool sendAll(std::string_view bytes, std::chrono::milliseconds deadline = 5s);
    // Waits until the kernel takes more bytes, or the connection has failed.
    void awaitWritable(std::chrono::milliseconds deadline);
    // Sends whatever the kernel takes now; answers how many bytes that was, -1 after a reset.
    long sendSome(std::string_view bytes);
    void shutdownWrite();
    // Closes with SO_LINGER 0: the server sees a reset.
    void reset();
    Answer readToEnd(std::chrono::milliseconds deadline = 5s);
    // Takes what has arrived without waiting.
    std::string readAvailable();
    // Whether the connection has ended from the server's side (reset or closed), without waiting.
    bool isDropped();

private:
    explicit Station(int descriptor) : m_socket(descriptor) {}
    FileDescriptor m_socket;
};

// The time as a real station on a loopback host asks for it: it retries on refusal, reset or an empty
// answer until it gets bytes or the deadline passes.
struct TimeAnswer {
    std::string reply;
    int attempts = 0;
};
TimeAnswer askTime(std::uint16_t port, std::chrono::milliseconds deadline = 5s,
                   std::uint32_t toHost = testing_support::loopbackHost(),
                   std::uint32_t fromHost = testing_support::loopbackHost());

} // namespace e2e
