#pragma once

#include <cstdint>

namespace testing_support {

// 127.0.0.<last>, host order: every such address reaches this machine's loopback.
constexpr std::uint32_t loopbackHost(std::uint8_t last = 1) {
    return (std::uint32_t{127} << 24) | last;
}

} // namespace testing_support
