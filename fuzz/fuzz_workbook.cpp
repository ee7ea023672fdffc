// The workbook reader on any file. Promises: every cell it reads lies inside the sheet's bounds
// and holds a value; a caller's last row refuses the file exactly when a value lies below it, and
// otherwise changes nothing read; and what it read, saved as a workbook and read back, gives the
// same values (a text stays the text, a number the number, a truth value the truth value), so a
// sequence loaded and saved again is the sequence that was loaded.

#include "fuzzcheck.h"
#include "xlsxcelltable.h"
#include "xlsxdocument.h"
#include "xlsxworkbookreader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

constexpr int MAX_ROWS = 1048576;
constexpr int MAX_COLUMNS = 16384;

// An empty text and no value both save as an empty cell.
bool isNothing(const QVariant& v)
{
    return !v.isValid() || (v.userType() == QMetaType::QString && v.toString().isEmpty());
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (isNothing(a) || isNothing(b))
        return isNothing(a) && isNothing(b);
    if (a.userType() != b.userType())
        return false;
    if (a.userType() == QMetaType::Double) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    return a == b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.xlsx"));
    const QString out = dir.filePath(QStringLiteral("out.xlsx"));
    {
        QFile file(in);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QXlsx::CellTable cells;
    if (!QXlsx::readFirstWorksheet(in, &cells))
        return 0;

    QXlsx::Document copy;
    int lastValueRow = 0;
    int values = 0;
    for (const auto& row : cells.rows()) {
        FUZZ_CHECK(row.first >= 1 && row.first <= MAX_ROWS);
        for (const QXlsx::CellTable::Cell& cell : row.second) {
            FUZZ_CHECK(cell.column >= 1 && cell.column <= MAX_COLUMNS);
            FUZZ_CHECK(cell.value.isValid());
            FUZZ_CHECK(copy.write(row.first, cell.column, cell.value));
            lastValueRow = row.first;
            ++values;
        }
    }
    if (lastValueRow > 0) {
        QXlsx::CellTable shorter;
        FUZZ_CHECK(!QXlsx::readFirstWorksheet(in, &shorter, lastValueRow - 1));
        QXlsx::CellTable exact;
        FUZZ_CHECK(QXlsx::readFirstWorksheet(in, &exact, lastValueRow));
        int exactValues = 0;
        for (const auto& row : exact.rows()) {
            for (const QXlsx::CellTable::Cell& cell : row.second) {
                const QXlsx::CellTable::Cell* same = cells.find(row.first, cell.column);
                FUZZ_CHECK(same && sameValue(same->value, cell.value));
                ++exactValues;
            }
        }
        FUZZ_CHECK(exactValues == values);
    }
    // A text longer than a cell can hold is refused by the writer; that is its own promise.
    if (!copy.saveAs(out))
        return 0;
    QXlsx::CellTable back;
    FUZZ_CHECK(QXlsx::readFirstWorksheet(out, &back));
    for (const auto& row : cells.rows()) {
        for (const QXlsx::CellTable::Cell& cell : row.second) {
            const QXlsx::CellTable::Cell* again = back.find(row.first, cell.column);
            FUZZ_CHECK(sameValue(cell.value, again ? again->value : QVariant()));
        }
    }
    for (const auto& row : back.rows()) {
        for (const QXlsx::CellTable::Cell& cell : row.second)
            FUZZ_CHECK(isNothing(cell.value) || cells.find(row.first, cell.column));
    }
    return 0;
}
