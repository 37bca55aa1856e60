// The header's flag constants come first: wininet.h defines the same names as macros afterwards.
#include "ConnectionState.h"

#include <windows.h>
#include <wininet.h>

// WinINet answers false when it finds no connection it can vouch for, which tells nothing of the flags.
std::optional<std::uint32_t> ConnectionState::connectedFlags() const {
    DWORD flags = 0;
    if (InternetGetConnectedState(&flags, 0) == FALSE) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(flags);
}

// A way out of the computer's own networks is a LAN connection, as WinINet reports one.
std::optional<std::uint32_t> ConnectionState::flagsFor(std::optional<bool> hasDefaultRoute) {
    if (!hasDefaultRoute) {
        return std::nullopt;
    }
    return *hasDefaultRoute ? INTERNET_CONNECTION_LAN : 0;
}
