#include "sheetpackage.h"

#include <QFile>

#include <zip.h>

namespace {

const QByteArray WORKBOOK = "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                            "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
const QByteArray WORKBOOK_RELS =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\"/>"
    "<Relationship Id=\"rId2\" Target=\"sharedStrings.xml\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\"/>"
    "</Relationships>";
const QByteArray SHARED_STRINGS = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                                  "<si><t>No.</t></si><si><t>350</t></si><si><t></t></si>"
                                  "<si><t xml:space=\"preserve\">  </t></si></sst>";

bool write(zipFile zip, const QByteArray& bytes)
{
    return zipWriteInFileInZip(zip, bytes.constData(), unsigned(bytes.size())) == ZIP_OK;
}

bool addPart(zipFile zip, const char* name, const QByteArray& head, const QByteArray& filler = QByteArray(),
             int repeats = 0, const QByteArray& tail = QByteArray())
{
    // The best packing: a run of one character then shrinks a thousandfold.
    if (zipOpenNewFileInZip(zip, name, nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_BEST_COMPRESSION)
        != ZIP_OK)
        return false;
    bool ok = write(zip, head);
    for (int i = 0; ok && i < repeats; ++i)
        ok = write(zip, filler);
    ok = ok && write(zip, tail);
    return zipCloseFileInZip(zip) == ZIP_OK && ok;
}

} // namespace

bool writeSheetPackage(const QString& path, const QByteArray& head, const QByteArray& filler, int repeats,
                       const QByteArray& tail)
{
    zipFile zip = zipOpen(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    const bool ok = addPart(zip, "xl/workbook.xml", WORKBOOK) && addPart(zip, "xl/_rels/workbook.xml.rels", WORKBOOK_RELS)
                    && addPart(zip, "xl/sharedStrings.xml", SHARED_STRINGS)
                    && addPart(zip, "xl/worksheets/sheet1.xml", head, filler, repeats, tail);
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}
