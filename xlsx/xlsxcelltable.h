#ifndef XLSXCELLTABLE_H
#define XLSXCELLTABLE_H

#include "xlsxcellreference.h"

#include <QVariant>

#include <map>
#include <vector>

namespace QXlsx {

// The cells of one worksheet, row by row, each row's cells sorted by column. Sheets are sparse
// and are written and read in row order, so a row holds only the cells it has and appending in
// order is the cheap case.
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

    // row and column must be valid (see CellReference).
    void set(int row, int column, const QVariant& value, int format);
    const Cell* find(int row, int column) const;
    CellRange range() const;
    const Rows& rows() const { return byRow; }

private:
    Rows byRow;
    int firstColumn = 0;
    int lastColumn = 0;
};

} // namespace QXlsx

#endif // XLSXCELLTABLE_H
