#ifndef XLSXCELLREFERENCE_H
#define XLSXCELLREFERENCE_H

#include <QString>

namespace QXlsx {

// Largest sheet a spreadsheet program opens; references beyond it are invalid.
constexpr int MAX_ROWS = 1048576;
constexpr int MAX_COLUMNS = 16384;

// One cell of a worksheet, 1-based, from "A1"-style text ("$" anchors allowed) or from numbers.
// An invalid reference has row and column 0.
class CellReference
{
public:
    CellReference() = default;
    CellReference(int row, int column);
    explicit CellReference(const QString& cell);
    explicit CellReference(const char* cell);

    int row() const { return rowNumber; }
    int column() const { return columnNumber; }
    bool isValid() const { return rowNumber > 0 && columnNumber > 0; }
    QString toString() const;

private:
    int rowNumber = 0;
    int columnNumber = 0;
};

// The rectangle a worksheet's cells occupy; invalid (all 0) for a sheet without cells.
class CellRange
{
public:
    CellRange() = default;
    CellRange(int firstRow, int firstColumn, int lastRow, int lastColumn)
        : top(firstRow), left(firstColumn), bottom(lastRow), right(lastColumn)
    {
    }

    int firstRow() const { return top; }
    int firstColumn() const { return left; }
    int lastRow() const { return bottom; }
    int lastColumn() const { return right; }
    bool isValid() const { return top > 0 && left > 0 && bottom >= top && right >= left; }

private:
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;
};

} // namespace QXlsx

#endif // XLSXCELLREFERENCE_H
