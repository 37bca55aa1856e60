// The cut of the public-address page: whatever the page holds, the result is one line with
// no spaces at either end, taken from the text after the marker.
#include "Module2.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    const std::string address = Module2::PublicAddressFromPage(page);
    if (address.empty()) {
        return 0;
    }
    const bool oneLine = address.find('\n') == std::string::npos;
    const bool trimmed = address.front() != ' ' && address.back() != ' ';
    if (!oneLine || !trimmed || page.find(address) == std::string_view::npos) {
        std::abort();
    }
    return 0;
}
