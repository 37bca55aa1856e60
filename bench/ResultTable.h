#pragma once

#include <ostream>
#include <string>
#include <vector>

// A plain-text table with columns padded to their widest cell; a row of one cell is a section title.
class ResultTable {
public:
    explicit ResultTable(std::vector<std::string> headings);
    void addSection(std::string title);
    void addRow(std::vector<std::string> cells);
    void print(std::ostream& out) const;

private:
    std::vector<std::size_t> columnWidths() const;
    static void printRow(std::ostream& out, const std::vector<std::string>& cells,
                         const std::vector<std::size_t>& widths);

    std::vector<std::string> m_headings;
    std::vector<std::vector<std::string>> m_rows;
};
