#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class ConnectionState;
class InterfaceAddressTable;

// Address discovery: which IPv4 address of this computer the time-clock stations should use.
// The routines without arguments read the computer itself and the program's public address page;
// the others take the platform pieces and the page address, so tests can stand in their own.
namespace Module2 {

// The address to show: the first usable interface address, unless a later one carries the public
// address the web page reports. Empty when no interface address qualifies.
std::string GetLocalIPAddress();
std::string GetLocalIPAddress(const InterfaceAddressTable& table, const ConnectionState& state,
                              const std::string& pageAddress);

// Every interface address in the table's order, one dotted address per line, lines joined by CR LF.
std::string GetIPAddressList();
std::string GetIPAddressList(const InterfaceAddressTable& table);

// Dotted decimal text of four bytes in network order.
std::string AddressToText(std::span<const std::uint8_t, 4> address);

// Four dot-separated parts, each one or more decimal digits with a value below 256.
bool IsValidIPAddress(const std::string& text);

// False for the private prefixes "192.168.", "172.16." and "10." and for "127.0.0.1"; true otherwise.
bool IsPublicAddress(const std::string& text);

// True for a LAN, proxy or modem connection that is neither offline nor a busy modem.
bool IsInternetConnected();
bool IsInternetConnected(const ConnectionState& state);

// The public address as the page states it after "Address:", or empty text when not connected or
// the page's first 250 bytes give none. The whole look-up takes three seconds at most.
std::string GetPublicIPAddress();
std::string GetPublicIPAddress(const ConnectionState& state, const std::string& pageAddress);

// The cut of a page's start: the text after the first "Address:" (any case) up to the next line
// feed, spaces trimmed; empty when the marker or the line feed after it is missing.
std::string PublicAddressFromPage(std::string_view page);

} // namespace Module2
