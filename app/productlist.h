#ifndef PRODUCTLIST_H
#define PRODUCTLIST_H

#include <QByteArray>
#include <QString>

// Outcome of reading "Product List.txt" for the window to show:
// - !opened: information box, title "error", text errorString, button Ok;
// - listError: critical box, title "Error", text "Product list file error, please contact the
//   manufacturer!", button Ok.
// Both can be false together (a clean read); a file that cannot be opened never sets listError.
struct ProductListReadResult
{
    bool opened = false;
    QString errorString;
    bool listError = false;
};

// Appends the products of the list file at path to productList, counting every line read in
// productListLineNumber from its current value on; neither is cleared first. Lines 1 and 2 are
// headings. A product line has 11 comma-separated fields; other lines are skipped. Reading stops
// at the first line after the headings that is longer than 256 bytes, and at the first product
// line whose index is not its position in productList or is beyond 4095 (the list holds at most
// 4096 products), or whose currents, voltages or minimum level no driver can hold: that line is
// dropped, so a record's position always equals its product index and its numbers are within what
// a driver holds. A file over 32 MiB is read up to the last whole line within that bound and is in
// error as at a bad line.
ProductListReadResult readProductListFile(const QString& path);

// The same for the list's content already in memory (always "opened").
ProductListReadResult readProductList(const QByteArray& content);

#endif // PRODUCTLIST_H
