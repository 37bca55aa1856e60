#pragma once

#include <chrono>
#include <cstddef>
#include <span>
#include <string>

// Reads the start of a web page with one plain HTTP GET, straight to the host (never through a
// proxy) and never from a cache. The call blocks: it spins a local event loop that holds back user
// input until the bytes are there, the request has ended or the bound has passed.
class WebPageReader {
public:
    explicit WebPageReader(std::chrono::milliseconds bound);

    // Copies the first area.size() bytes of the page's body (all of it when shorter) to the start of
    // area and returns their count; the rest of area is left as it was. A request that fails or does
    // not get that far within the bound copies nothing. The status code is not examined.
    std::size_t readStart(const std::string& pageAddress, std::span<char> area) const;

private:
    std::chrono::milliseconds m_bound;
};
