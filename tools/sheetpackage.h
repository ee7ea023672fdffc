#ifndef SHEETPACKAGE_H
#define SHEETPACKAGE_H

#include <QByteArray>
#include <QString>

// A workbook package around one sheet, for tests that need sheets no spreadsheet program would
// write. The sheet's XML is head, then filler `repeats` times, then tail, packed piece by piece:
// a sheet of hundreds of megabytes makes a small file and is never held in memory. Besides the
// sheet the package holds only the workbook part, its relationships and shared strings 0 to 3:
// "No.", "350", an empty text and two blanks. False when the file could not be written.
bool writeSheetPackage(const QString& path, const QByteArray& head, const QByteArray& filler = QByteArray(),
                       int repeats = 0, const QByteArray& tail = QByteArray());

#endif // SHEETPACKAGE_H
