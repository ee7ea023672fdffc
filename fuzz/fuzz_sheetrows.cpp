// The window's load of a table workbook, on any sheet: the input is the sheet's XML, packed here
// with a workbook and a few shared strings into a real package, so the fuzzer works on the
// sheet's rows and cells rather than on the zip container. Promises: the table ends with the last
// row that holds a value in one of its columns (formatted empty cells and values beyond its
// columns make no rows); the rows listed lie inside the table, in order, each with one text per
// column, equal to what the workbook holds there; and every value of the table's columns below
// the header is in them.

#include "fuzzcheck.h"
#include "sheetrows.h"
#include "xlsxcelltable.h"
#include "xlsxdocument.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <zip.h>

namespace {

// The command sequence's columns.
constexpr int COLUMNS = 7;

const char WORKBOOK[] = "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                        "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
const char WORKBOOK_RELS[] =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\"/>"
    "<Relationship Id=\"rId2\" Target=\"sharedStrings.xml\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\"/>"
    "</Relationships>";
// Strings 0 to 3: a header text, a number as text, an empty text, a text of blanks.
const char SHARED_STRINGS[] = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                              "<si><t>No.</t></si><si><t>350</t></si><si><t></t></si>"
                              "<si><t xml:space=\"preserve\">  </t></si></sst>";

bool addPart(zipFile zip, const char* name, const char* data, size_t size)
{
    if (zipOpenNewFileInZip(zip, name, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0) != ZIP_OK)
        return false;
    const bool written = zipWriteInFileInZip(zip, data, unsigned(size)) == ZIP_OK;
    return zipCloseFileInZip(zip) == ZIP_OK && written;
}

bool writePackage(const QString& path, const uint8_t* sheet, size_t size)
{
    zipFile zip = zipOpen(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    const bool ok = addPart(zip, "xl/workbook.xml", WORKBOOK, sizeof WORKBOOK - 1)
                    && addPart(zip, "xl/_rels/workbook.xml.rels", WORKBOOK_RELS, sizeof WORKBOOK_RELS - 1)
                    && addPart(zip, "xl/sharedStrings.xml", SHARED_STRINGS, sizeof SHARED_STRINGS - 1)
                    && addPart(zip, "xl/worksheets/sheet1.xml", reinterpret_cast<const char*>(sheet), size);
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.xlsx"));
    QFile::remove(path);
    FUZZ_CHECK(writePackage(path, data, size));
    const QXlsx::Document book(path);
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
