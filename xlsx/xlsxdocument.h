#ifndef XLSXDOCUMENT_H
#define XLSXDOCUMENT_H

#include "xlsxcellreference.h"
#include "xlsxformat.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace QXlsx {

class CellTable;

// A workbook of one worksheet, as the program keeps its tables in .xlsx files: build it cell by
// cell and save it, or open a file and read its first worksheet's values. Writing goes through
// libxlsxwriter (the file is produced in full before it replaces an existing one, so a failed save
// leaves the old file as it was); reading streams the package with minizip and QXmlStreamReader,
// and refuses a package whose parts unpack to more than a real workbook could hold.
// Strings are written as strings, also when they look like numbers or formulas.
class Document
{
public:
    Document();
    // Opens a workbook; isLoadPackage() tells whether it could be read. A file that cannot be
    // read, or that holds a value in a row below lastValueRow, gives an empty document.
    explicit Document(const QString& xlsxName, int lastValueRow = MAX_ROWS);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    bool isLoadPackage() const;

    // A value of QString (or anything else convertible to text) is written as a string, numbers
    // as numbers, bool as a boolean; an invalid QVariant or an empty string as an empty cell that
    // still carries the format. False for an invalid reference.
    bool write(const CellReference& cell, const QVariant& value, const Format& format = Format());
    bool write(int row, int column, const QVariant& value, const Format& format = Format());
    // An invalid QVariant for a cell that holds nothing.
    QVariant read(const CellReference& cell) const;
    QVariant read(int row, int column) const;
    CellRange dimension() const;
    // Every cell read or written, row by row.
    const CellTable& cells() const;

    // Widths in the spreadsheet's character units, columns 1-based.
    bool setColumnWidth(int column, double width);
    bool setColumnWidth(int colFirst, int colLast, double width);

    // False when the file could not be written; an existing file is then left unchanged.
    bool saveAs(const QString& xlsxName) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace QXlsx

#endif // XLSXDOCUMENT_H
