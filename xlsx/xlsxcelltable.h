#ifndef XLSXCELLTABLE_H
#define XLSXCELLTABLE_H

#include "xlsxcellreference.h"

#include <QVariant>

#include <map>
#include <set>
#include <vector>

namespace QXlsx {

// The cells of one worksheet, row by row, each row's cells sorted by column. Sheets are sparse
// and are written and read in row order, so a row holds only the cells it has and appending in
// order is the cheap case. A cell set before one already in its row is appended too and the row
// is sorted when it is next looked at: a file may list a row's cells in any order, and inserting
// each into the middle of the row would make the row cost the square of its length.
class CellTable
{
public:
    struct Cell
    {
        int column;
        int format; // index into the owner's format list, -1 for none
        QVariant value;
    };
    using Rows = std::map<int, std::vector<Cell>>;

    // row and column must be valid (see CellReference). Setting a cell again replaces it.
    void set(int row, int column, const QVariant& value, int format);
    // A cell that is used but holds nothing worth keeping (no value, no format to write): it
    // widens range() and costs nothing more.
    void include(int row, int column);
    const Cell* find(int row, int column) const;
    CellRange range() const;
    const Rows& rows() const;

private:
    void sortRows() const;

    mutable Rows byRow;
    mutable std::set<int> unsortedRows;
    int firstRow = 0;
    int lastRow = 0;
    int firstColumn = 0;
    int lastColumn = 0;
};

} // namespace QXlsx

#endif // XLSXCELLTABLE_H
