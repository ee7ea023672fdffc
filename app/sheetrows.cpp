#include "sheetrows.h"

#include "xlsxcelltable.h"
#include "xlsxdocument.h"

namespace {

constexpr int HEADER_ROW = 1;

// A cell's value as the table shows it; nothing for a cell that only carries a format.
QString cellText(const QXlsx::CellTable::Cell& cell)
{
    return cell.value.toString();
}

} // namespace

SheetRows sheetRows(const QXlsx::Document& book, int columns)
{
    SheetRows sheet;
    for (const auto& row : book.cells().rows()) {
        QStringList texts;
        bool hasValue = false;
        for (const QXlsx::CellTable::Cell& cell : row.second) {
            if (cell.column > columns)
                break;
            const QString text = cellText(cell);
            if (text.isEmpty())
                continue;
            hasValue = true;
            while (texts.size() < cell.column - 1)
                texts.append(QString());
            texts.append(text);
        }
        if (!hasValue)
            continue;
        sheet.lastRow = row.first;
        if (row.first == HEADER_ROW)
            continue;
        while (texts.size() < columns)
            texts.append(QString());
        sheet.rows.append({row.first - HEADER_ROW - 1, texts});
    }
    return sheet;
}
