#ifndef SHEETROWS_H
#define SHEETROWS_H

#include <QStringList>
#include <QVector>

namespace QXlsx {
class Document;
}

// What a workbook's first sheet gives one of the window's tables: row 1 is the header, every
// later row a table row, columns A onwards the table's columns. The table ends with the last row
// that holds a value in one of its columns; rows after it that only carry a format (a spreadsheet
// program's bordered but empty rows, a stray empty cell far down) are no rows of the table. Only
// the rows that hold a value are listed, so a sheet whose one value lies a million rows down
// costs a million empty table rows, not seven million empty cells.
struct SheetRows
{
    struct Row
    {
        int row;           // table row, from 0
        QStringList texts; // one per table column; empty for a cell without a value
    };

    int lastRow = 0;   // spreadsheet row of the last value (0: none); the table has lastRow - 1 rows
    QVector<Row> rows; // the table rows that hold a value, in order

    int rowCount() const { return qMax(0, lastRow - 1); }
};

SheetRows sheetRows(const QXlsx::Document& book, int columns);

#endif // SHEETROWS_H
