#include "sheetpackage.h"

#include <QFile>

#include <zip.h>

namespace {

const QByteArray PACKAGE_RELS_HEAD =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
const QByteArray PACKAGE_RELS_TAIL =
    "<Relationship Id=\"rId1\" Target=\"xl/workbook.xml\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\"/>"
    "</Relationships>";
const QByteArray WORKBOOK_HEAD = "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                                 "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";
const QByteArray WORKBOOK_TAIL = "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
const QByteArray WORKBOOK_RELS_HEAD =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
const QByteArray WORKBOOK_RELS_TAIL =
    "<Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\"/>"
    "<Relationship Id=\"rId2\" Target=\"sharedStrings.xml\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\"/>"
    "</Relationships>";
const QByteArray SHARED_STRINGS_HEAD = "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                                       "<si><t>No.</t></si><si><t>350</t></si><si><t></t></si>"
                                       "<si><t xml:space=\"preserve\">  </t></si>";
const QByteArray SHARED_STRINGS_TAIL = "</sst>";

bool write(zipFile zip, const QByteArray& bytes)
{
    return zipWriteInFileInZip(zip, bytes.constData(), unsigned(bytes.size())) == ZIP_OK;
}

bool write(zipFile zip, const PartFiller& part)
{
    bool ok = true;
    for (int i = 0; ok && i < part.repeats; ++i)
        ok = write(zip, part.pieceAt ? part.pieceAt(i) : part.filler);
    return ok;
}

bool addPart(zipFile zip, const char* name, const QByteArray& head, const PartFiller& first,
             const PartFiller& second, const QByteArray& tail)
{
    // The best packing: a run of one character then shrinks a thousandfold.
    if (zipOpenNewFileInZip(zip, name, nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_BEST_COMPRESSION)
        != ZIP_OK)
        return false;
    const bool ok = write(zip, head) && write(zip, first) && write(zip, second) && write(zip, tail);
    return zipCloseFileInZip(zip) == ZIP_OK && ok;
}

} // namespace

const QByteArray SHEET_HEAD = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                              "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
                              "<row r=\"2\"><c r=\"A2\"><v>1</v></c><c r=\"B2\" t=\"s\"><v>1</v></c></row>";
const QByteArray SHEET_TAIL = "</sheetData></worksheet>";

bool writeSheetPackage(const QString& path, const QByteArray& head, const QByteArray& filler, int repeats,
                       const QByteArray& tail, const PackageFillers& fillers)
{
    return writeSheetPackage(path, head, PartFiller{filler, repeats, nullptr}, tail, fillers);
}

bool writeSheetPackage(const QString& path, const QByteArray& head, const PartFiller& body, const QByteArray& tail,
                       const PackageFillers& fillers)
{
    zipFile zip = zipOpen(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    if (!zip)
        return false;
    const PartFiller none;
    const PartFiller& pad = fillers.everyPart;
    const bool ok =
        addPart(zip, "_rels/.rels", PACKAGE_RELS_HEAD, pad, fillers.relationships, PACKAGE_RELS_TAIL)
        && addPart(zip, "xl/workbook.xml", WORKBOOK_HEAD, pad, none, WORKBOOK_TAIL)
        && addPart(zip, "xl/_rels/workbook.xml.rels", WORKBOOK_RELS_HEAD, pad, none, WORKBOOK_RELS_TAIL)
        && addPart(zip, "xl/sharedStrings.xml", SHARED_STRINGS_HEAD, fillers.strings, pad, SHARED_STRINGS_TAIL)
        && addPart(zip, "xl/worksheets/sheet1.xml", head, body, none, tail);
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}
