#ifndef XLSXWORKBOOKREADER_H
#define XLSXWORKBOOKREADER_H

#include "xlsxcellreference.h"

#include <QString>

namespace QXlsx {

class CellTable;

// Reads the cell values of a workbook's first worksheet (the first sheet listed in the workbook,
// found through the package's relationships) into cells. Strings come back as QString (shared
// strings and inline strings, rich-text runs joined), numbers as double, booleans as bool; cells
// without a value only widen the cells' range. The package is streamed and what is kept follows
// the values the sheet holds: the cells that hold one and the shared strings they use. False, with
// cells left partly filled, when the file is not a readable Office Open XML workbook (a legacy
// .xls, a damaged or truncated file) or is beyond any real one: parts that unpack to more than
// 12 MiB together, a single token (a text, a tag) of more than 1 MiB, elements nested more than
// 64 deep, or a cell's text longer than the 32767 characters a cell can hold. Also false, as soon
// as it is met, for a value in a row below lastValueRow: a caller that takes only so many rows is
// spared reading the rest.
bool readFirstWorksheet(const QString& fileName, CellTable* cells, int lastValueRow = MAX_ROWS);

} // namespace QXlsx

#endif // XLSXWORKBOOKREADER_H
