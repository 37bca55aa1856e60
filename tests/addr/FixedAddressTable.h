#pragma once

#include "InterfaceAddressTable.h"

#include <utility>

// Stands in an interface address table with the given rows.
class FixedAddressTable : public InterfaceAddressTable {
public:
    explicit FixedAddressTable(std::vector<Ipv4Address> rows) : m_rows(std::move(rows)) {}
    std::vector<Ipv4Address> rows() const override { return m_rows; }

private:
    std::vector<Ipv4Address> m_rows;
};
