#include "ResultTable.h"

#include <algorithm>
#include <numeric>

namespace {

constexpr std::size_t kGap = 2;

} // namespace

ResultTable::ResultTable(std::vector<std::string> headings) : m_headings(std::move(headings)) {}

void ResultTable::addSection(std::string title) {
    m_rows.push_back({std::move(title)});
}

void ResultTable::addRow(std::vector<std::string> cells) {
    cells.resize(m_headings.size());
    m_rows.push_back(std::move(cells));
}

std::vector<std::size_t> ResultTable::columnWidths() const {
    std::vector<std::size_t> widths;
    for (const std::string& heading : m_headings) {
        widths.push_back(heading.size());
    }
    for (const std::vector<std::string>& row : m_rows) {
        for (std::size_t column = 0; row.size() > 1 && column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    return widths;
}

void ResultTable::printRow(std::ostream& out, const std::vector<std::string>& cells,
                           const std::vector<std::size_t>& widths) {
    std::string line;
    for (std::size_t column = 0; column < cells.size(); ++column) {
        line += cells[column];
        line.append(widths[column] + kGap - cells[column].size(), ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
}

void ResultTable::print(std::ostream& out) const {
    const std::vector<std::size_t> widths = columnWidths();
    const std::size_t total =
        std::accumulate(widths.begin(), widths.end(), std::size_t{0}) + kGap * (widths.size() - 1);
    printRow(out, m_headings, widths);
    out << std::string(total, '-') << '\n';
    for (const std::vector<std::string>& row : m_rows) {
        if (row.size() == 1) {
            out << row.front() << '\n';
        } else {
            printRow(out, row, widths);
        }
    }
}
