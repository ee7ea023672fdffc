#ifndef XLSXWORKBOOKREADER_H
#define XLSXWORKBOOKREADER_H

#include <QString>

namespace QXlsx {

class CellTable;

// Reads the cell values of a workbook's first worksheet (the first sheet listed in the workbook,
// found through the package's relationships) into cells. Strings come back as QString (shared
// strings and inline strings, rich-text runs joined), numbers as double, booleans as bool, cells
// without a value as an invalid QVariant. The package is streamed: only the shared strings and
// the cells are kept. False, with cells left partly filled, when the file is not a readable
// Office Open XML workbook (a legacy .xls, a damaged or truncated file) or is beyond any real one:
// a part that unpacks to more than 64 MiB, or a single token (a text, a tag) of more than 1 MiB.
bool readFirstWorksheet(const QString& fileName, CellTable* cells);

} // namespace QXlsx

#endif // XLSXWORKBOOKREADER_H
