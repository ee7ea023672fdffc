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
    std::vector<Cell>& cells = byRow[row];
    if (cells.empty() || cells.back().column < column) {
        cells.push_back({column, format, value});
    } else {
        const auto at = std::lower_bound(cells.begin(), cells.end(), column, columnBefore);
        if (at->column == column)
            *at = {column, format, value};
        else
            cells.insert(at, {column, format, value});
    }
    firstColumn = firstColumn == 0 ? column : std::min(firstColumn, column);
    lastColumn = std::max(lastColumn, column);
}

const CellTable::Cell* CellTable::find(int row, int column) const
{
    const auto r = byRow.find(row);
    if (r == byRow.end())
        return nullptr;
    const std::vector<Cell>& cells = r->second;
    const auto at = std::lower_bound(cells.begin(), cells.end(), column, columnBefore);
    return at != cells.end() && at->column == column ? &*at : nullptr;
}

CellRange CellTable::range() const
{
    if (byRow.empty())
        return CellRange();
    return CellRange(byRow.begin()->first, firstColumn, byRow.rbegin()->first, lastColumn);
}

} // namespace QXlsx
