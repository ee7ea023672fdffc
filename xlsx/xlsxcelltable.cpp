#include "xlsxcelltable.h"

#include <algorithm>

namespace QXlsx {

namespace {

bool columnBefore(const CellTable::Cell& cell, int column)
{
    return cell.column < column;
}

} // namespace

void CellTable::set(int row, int column, const QVariant& value, int format)
{
    // Rows come in order: a new row mostly goes after the last one, where the hint makes it cheap.
    std::vector<Cell>& cells = byRow.try_emplace(byRow.end(), row)->second;
    if (!cells.empty() && cells.back().column == column) {
        cells.back() = {column, format, value};
    } else {
        if (!cells.empty() && cells.back().column > column)
            unsortedRows.insert(row);
        cells.push_back({column, format, value});
    }
    include(row, column);
}

void CellTable::include(int row, int column)
{
    firstRow = firstRow == 0 ? row : std::min(firstRow, row);
    lastRow = std::max(lastRow, row);
    firstColumn = firstColumn == 0 ? column : std::min(firstColumn, column);
    lastColumn = std::max(lastColumn, column);
}

void CellTable::sortRows() const
{
    for (int row : unsortedRows) {
        std::vector<Cell>& cells = byRow[row];
        // Stable, so that of two cells in one column the one set last comes last and is kept.
        std::stable_sort(cells.begin(), cells.end(),
                         [](const Cell& a, const Cell& b) { return a.column < b.column; });
        auto kept = cells.begin();
        for (auto at = cells.begin(); at != cells.end(); ++at) {
            if (at + 1 != cells.end() && (at + 1)->column == at->column)
                continue;
            if (kept != at)
                *kept = std::move(*at);
            ++kept;
        }
        cells.erase(kept, cells.end());
    }
    unsortedRows.clear();
}

const CellTable::Cell* CellTable::find(int row, int column) const
{
    sortRows();
    const auto r = byRow.find(row);
    if (r == byRow.end())
        return nullptr;
    const std::vector<Cell>& cells = r->second;
    const auto at = std::lower_bound(cells.begin(), cells.end(), column, columnBefore);
    return at != cells.end() && at->column == column ? &*at : nullptr;
}

CellRange CellTable::range() const
{
    if (lastRow == 0)
        return CellRange();
    return CellRange(firstRow, firstColumn, lastRow, lastColumn);
}

const CellTable::Rows& CellTable::rows() const
{
    sortRows();
    return byRow;
}

} // namespace QXlsx
