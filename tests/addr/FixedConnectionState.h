#pragma once

#include "ConnectionState.h"

// Stands in a connection state with the given flag word, or one that cannot tell.
class FixedConnectionState : public ConnectionState {
public:
    explicit FixedConnectionState(std::optional<std::uint32_t> flags) : m_flags(flags) {}
    std::optional<std::uint32_t> connectedFlags() const override { return m_flags; }

private:
    std::optional<std::uint32_t> m_flags;
};
