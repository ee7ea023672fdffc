// The window's load of a table workbook, on any sheet: the input is the sheet's XML, packed into a
// real package with a workbook and a few shared strings, so the fuzzer works on the sheet's rows
// and cells rather than on the zip container. Promises: the table ends with the last row that
// holds a value in one of its columns (formatted empty cells and values beyond its columns make no
// rows); the rows listed lie inside the table, in order, each with one text per column, equal to
// what the workbook holds there; and every value of the table's columns below the header is in
// them. And a sheet whose elements nest more than 64 deep is refused, wherever they stand.

#include "fuzzcheck.h"
#include "sheetpackage.h"
#include "sheetrows.h"
#include "xlsxcelltable.h"
#include "xlsxdocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cstddef>
#include <cstdint>

namespace {

// The command sequence's columns.
constexpr int COLUMNS = 7;
constexpr int MAX_NESTING = 64;

// Whether the XML opens more than MAX_NESTING elements at once before it stops being XML.
bool nestsTooDeep(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    for (int depth = 0; !reader.atEnd();) {
        reader.readNext();
        if (reader.isStartElement() && ++depth > MAX_NESTING)
            return true;
        if (reader.isEndElement())
            --depth;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.xlsx"));
    QFile::remove(path);
    const QByteArray sheetXml(reinterpret_cast<const char*>(data), int(size));
    FUZZ_CHECK(writeSheetPackage(path, sheetXml));
    const QXlsx::Document book(path);
    if (nestsTooDeep(sheetXml))
        FUZZ_CHECK(!book.isLoadPackage());
    if (!book.isLoadPackage())
        return 0;
    const SheetRows sheet = sheetRows(book, COLUMNS);

    int lastValueRow = 0;
    int valuesBelowHeader = 0;
    for (const auto& row : book.cells().rows()) {
        for (const QXlsx::CellTable::Cell& cell : row.second) {
            if (cell.column > COLUMNS || cell.value.toString().isEmpty())
                continue;
            lastValueRow = row.first;
            valuesBelowHeader += row.first > 1 ? 1 : 0;
        }
    }
    FUZZ_CHECK(sheet.lastRow == lastValueRow);
    FUZZ_CHECK(sheet.rowCount() == qMax(0, lastValueRow - 1));

    int previous = -1;
    int texts = 0;
    for (const SheetRows::Row& row : sheet.rows) {
        FUZZ_CHECK(row.row > previous && row.row < sheet.rowCount());
        previous = row.row;
        FUZZ_CHECK(row.texts.size() == COLUMNS);
        bool holdsValue = false;
        for (int column = 0; column < COLUMNS; ++column) {
            const QString text = book.read(row.row + 2, column + 1).toString();
            FUZZ_CHECK(row.texts.at(column) == text);
            holdsValue = holdsValue || !text.isEmpty();
            texts += text.isEmpty() ? 0 : 1;
        }
        FUZZ_CHECK(holdsValue);
    }
    FUZZ_CHECK(texts == valuesBelowHeader);
    return 0;
}
