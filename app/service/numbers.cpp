#include "numbers.h"

namespace numbers {

std::int32_t TotalRequests = 0;
std::int32_t TotalBytesReceived = 0;
std::int32_t TotalBytesSent = 0;

Counters current() {
    return Counters{TotalRequests, TotalBytesReceived, TotalBytesSent};
}

} // namespace numbers
