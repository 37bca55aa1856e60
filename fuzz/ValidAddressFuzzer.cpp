// IsValidIPAddress on any text: an accepted text is four dot-separated decimal parts below 256,
// and printing those parts back gives the text without its leading zeros.
#include "Module2.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string withoutLeadingZeros(const std::string& text, std::array<std::uint8_t, 4>& parts) {
    std::size_t part = 0;
    unsigned value = 0;
    for (const char c : text) {
        if (c == '.') {
            parts.at(part++) = static_cast<std::uint8_t>(value);
            value = 0;
        } else {
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
    }
    parts.at(part) = static_cast<std::uint8_t>(value);
    return Module2::AddressToText(parts);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!Module2::IsValidIPAddress(text)) {
        return 0;
    }
    if (text.find_first_not_of("0123456789.") != std::string::npos) {
        std::abort();
    }
    std::array<std::uint8_t, 4> parts{};
    const std::string printed = withoutLeadingZeros(text, parts);
    if (!Module2::IsValidIPAddress(printed) || printed.size() > text.size()) {
        std::abort();
    }
    return 0;
}
