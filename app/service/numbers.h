#pragma once

#include <cstdint>

// The three counters the main window shows. Signed 32-bit, starting at 0 with the
// program, never wrapping: passing 2147483647 is the overflow error.
namespace numbers {

extern std::int32_t TotalRequests;
extern std::int32_t TotalBytesReceived;
extern std::int32_t TotalBytesSent;

// The three as they stand at one moment, as the window and quillet --status show them.
struct Counters {
    std::int32_t requests = 0;
    std::int32_t bytesReceived = 0;
    std::int32_t bytesSent = 0;
};

Counters current();

} // namespace numbers
