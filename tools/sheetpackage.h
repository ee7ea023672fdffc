#ifndef SHEETPACKAGE_H
#define SHEETPACKAGE_H

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <functional>

// A piece of XML repeated, packed piece by piece; pieceAt, where given, makes piece i instead (for
// rows that must differ, too many to hold at once).
struct PartFiller
{
    QByteArray filler;
    int repeats = 0;
    std::function<QByteArray(int)> pieceAt;
};

// What the package's other parts carry beyond what the sheet needs, for files that are large
// where a reader might not look.
struct PackageFillers
{
    // In the package's relationships, the workbook, its relationships and the shared strings,
    // amid their content: markup the reader passes over, such as comments.
    PartFiller everyPart;
    // Relationships of the package that lead nowhere, listed before the one to the workbook.
    PartFiller relationships;
    // Shared strings after the four the sheet may use.
    PartFiller strings;
};
Q_DECLARE_METATYPE(PackageFillers)

// The usual head and tail of the sheet below: row 1 a header cell ("No."), row 2 the number 1 in
// A and "350" in B; the rows in between are the test's own.
extern const QByteArray SHEET_HEAD;
extern const QByteArray SHEET_TAIL;

// A workbook package around one sheet, for tests that need sheets no spreadsheet program would
// write. The sheet's XML is head, then filler `repeats` times, then tail, packed piece by piece:
// a sheet of hundreds of megabytes makes a small file and is never held in memory. Besides the
// sheet the package holds only its relationships, the workbook part, its relationships and shared
// strings 0 to 3: "No.", "350", an empty text and two blanks. False when the file could not be
// written.
bool writeSheetPackage(const QString& path, const QByteArray& head, const QByteArray& filler = QByteArray(),
                       int repeats = 0, const QByteArray& tail = QByteArray(),
                       const PackageFillers& fillers = PackageFillers());
bool writeSheetPackage(const QString& path, const QByteArray& head, const PartFiller& body, const QByteArray& tail,
                       const PackageFillers& fillers = PackageFillers());

#endif // SHEETPACKAGE_H
