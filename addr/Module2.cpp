#include "Module2.h"

#include "ConnectionState.h"
#include "InterfaceAddressTable.h"
#include "WebPageReader.h"

#include <algorithm>
#include <chrono>
#include <string_view>
#include <vector>

namespace {

// A plain-HTTP what-is-my-IP service: its root page states "Current IP Address: " and the address.
constexpr const char* kPublicAddressPage = "http://checkip.dyndns.org/";
// Start-up waits for the public look-up, connect and read together, no longer than this.
constexpr std::chrono::seconds kPublicLookupBound{3};
// Only the start of the page is looked at; what the read leaves unwritten stays blank.
constexpr std::size_t kReceiveAreaSize = 250;
constexpr std::string_view kAddressMarker = "Address:";
constexpr const char* kListSeparator = "\r\n";
constexpr const char* kNoAddress = "0.0.0.0";

// The parts of text between separators; empty text has no parts.
std::vector<std::string> splitAt(std::string_view text, std::string_view separator) {
    std::vector<std::string> parts;
    if (text.empty()) {
        return parts;
    }
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + separator.size();
    }
}

// Trims the space character only; tabs, carriage returns and the like stay.
std::string_view trimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t findIgnoringCase(std::string_view text, std::string_view wanted) {
    const auto found = std::search(text.begin(), text.end(), wanted.begin(), wanted.end(),
                                   [](char a, char b) { return lowerAscii(a) == lowerAscii(b); });
    return found == text.end() ? std::string_view::npos : static_cast<std::size_t>(found - text.begin());
}

bool isAddressPart(std::string_view part) {
    if (part.empty()) {
        return false;
    }
    int value = 0;
    for (const char c : part) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
        if (value >= 256) {
            return false;
        }
    }
    return true;
}

bool isLoopback(const std::string& address) {
    return address.starts_with("127.");
}

// Loopback reaches no station, so a loopback choice gives way to the next usable address.
bool takesTheChoice(const std::string& entry, const std::string& choice) {
    return choice.empty() || (isLoopback(choice) && !isLoopback(entry));
}

} // namespace

namespace Module2 {

std::string GetLocalIPAddress() {
    return GetLocalIPAddress(InterfaceAddressTable(), ConnectionState(), kPublicAddressPage);
}

std::string GetLocalIPAddress(const InterfaceAddressTable& table, const ConnectionState& state,
                              const std::string& pageAddress) {
    const std::vector<std::string> entries = splitAt(GetIPAddressList(table), kListSeparator);
    const std::string publicAddress = IsInternetConnected(state) ? GetPublicIPAddress(state, pageAddress) : "";
    std::string choice;
    for (const std::string& entry : entries) {
        // An all-zero address belongs to no connected interface: it is never chosen, not even
        // when a page claims it as the public address.
        if (!IsValidIPAddress(entry) || entry == kNoAddress) {
            continue;
        }
        if (takesTheChoice(entry, choice)) {
            choice = entry;
        } else if (IsPublicAddress(entry) && entry == publicAddress) {
            return entry;
        }
    }
    return choice;
}

std::string GetIPAddressList() {
    return GetIPAddressList(InterfaceAddressTable());
}

std::string GetIPAddressList(const InterfaceAddressTable& table) {
    std::string list;
    for (const Ipv4Address& row : table.rows()) {
        if (!list.empty()) {
            list += kListSeparator;
        }
        list += AddressToText(row);
    }
    return list;
}

std::string AddressToText(std::span<const std::uint8_t, 4> address) {
    return std::to_string(address[0]) + '.' + std::to_string(address[1]) + '.' + std::to_string(address[2]) + '.' +
           std::to_string(address[3]);
}

bool IsValidIPAddress(const std::string& text) {
    const std::vector<std::string> parts = splitAt(text, ".");
    return parts.size() == 4 && std::ranges::all_of(parts, isAddressPart);
}

bool IsPublicAddress(const std::string& text) {
    return !(text.starts_with("192.168.") || text.starts_with("172.16.") || text.starts_with("10.") ||
             text == "127.0.0.1");
}

bool IsInternetConnected() {
    return IsInternetConnected(ConnectionState());
}

bool IsInternetConnected(const ConnectionState& state) {
    const std::optional<std::uint32_t> flags = state.connectedFlags();
    if (!flags) {
        return false;
    }
    // Offline or a busy modem overrides any kind of connection.
    const bool connected =
        (*flags & (INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_PROXY | INTERNET_CONNECTION_MODEM)) != 0;
    const bool unusable = (*flags & (INTERNET_CONNECTION_OFFLINE | INTERNET_CONNECTION_MODEM_BUSY)) != 0;
    return connected && !unusable;
}

std::string GetPublicIPAddress() {
    return GetPublicIPAddress(ConnectionState(), kPublicAddressPage);
}

std::string GetPublicIPAddress(const ConnectionState& state, const std::string& pageAddress) {
    if (!IsInternetConnected(state)) {
        return {};
    }
    std::string area(kReceiveAreaSize, ' ');
    WebPageReader(kPublicLookupBound).readStart(pageAddress, area);
    return PublicAddressFromPage(area);
}

std::string PublicAddressFromPage(std::string_view page) {
    const std::size_t marker = findIgnoringCase(page, kAddressMarker);
    if (marker == std::string_view::npos) {
        return {};
    }
    const std::string_view rest = page.substr(marker + kAddressMarker.size());
    const std::size_t lineEnd = rest.find('\n');
    if (lineEnd == std::string_view::npos) {
        return {};
    }
    return std::string(trimBlanks(rest.substr(0, lineEnd)));
}

} // namespace Module2
