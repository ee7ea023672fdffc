#include "xlsxdocument.h"

#include "filesave.h"
#include "xlsxcelltable.h"
#include "xlsxworkbookreader.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QVector>

#include <map>
#include <xlsxwriter.h>

namespace QXlsx {

namespace {

// Spreadsheet programs read "_xHHHH_" in a text as an escaped character. libxlsxwriter escapes
// control characters that way but leaves such a sequence typed by the user as it is; its
// underscore is escaped here so that the text reads back as written.
QString protectEscapes(const QString& text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression escape(QStringLiteral("_(x[0-9A-Fa-f]{4}_)"));
    return QString(text).replace(escape, QStringLiteral("_x005F_\\1"));
}

lxw_format* addFormat(lxw_workbook* workbook, const Format& format)
{
    lxw_format* f = workbook_add_format(workbook);
    if (!f)
        return nullptr;
    if (format.fontSize() > 0)
        format_set_font_size(f, format.fontSize());
    if (format.fontBold())
        format_set_bold(f);
    switch (format.horizontalAlignment()) {
    case Format::AlignLeft:
        format_set_align(f, LXW_ALIGN_LEFT);
        break;
    case Format::AlignHCenter:
        format_set_align(f, LXW_ALIGN_CENTER);
        break;
    case Format::AlignRight:
        format_set_align(f, LXW_ALIGN_RIGHT);
        break;
    case Format::AlignHGeneral:
        break;
    }
    const QColor fill = format.patternBackgroundColor();
    if (fill.isValid()) {
        format_set_pattern(f, LXW_PATTERN_SOLID);
        format_set_bg_color(f, fill.rgb() & 0xFFFFFF);
    }
    switch (format.borderStyle()) {
    case Format::BorderThin:
        format_set_border(f, LXW_BORDER_THIN);
        break;
    case Format::BorderMedium:
        format_set_border(f, LXW_BORDER_MEDIUM);
        break;
    case Format::BorderNone:
        break;
    }
    return f;
}

lxw_error writeCell(lxw_worksheet* sheet, int row, const CellTable::Cell& cell, lxw_format* format)
{
    const lxw_row_t r = lxw_row_t(row - 1);
    const lxw_col_t c = lxw_col_t(cell.column - 1);
    const QVariant& value = cell.value;
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return worksheet_write_blank(sheet, r, c, format);
    case QMetaType::Bool:
        return worksheet_write_boolean(sheet, r, c, value.toBool(), format);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return worksheet_write_number(sheet, r, c, value.toDouble(), format);
    default:
        break;
    }
    const QString text = value.toString();
    if (text.isEmpty())
        return worksheet_write_blank(sheet, r, c, format);
    return worksheet_write_string(sheet, r, c, protectEscapes(text).toUtf8().constData(), format);
}

} // namespace

struct Document::Private
{
    CellTable cells;
    QVector<Format> formats; // the distinct formats of the written cells
    std::map<int, double> columnWidths;
    bool loaded = true;

    int formatIndex(const Format& format)
    {
        if (format.isEmpty())
            return -1;
        int index = formats.indexOf(format);
        if (index < 0) {
            index = formats.size();
            formats.append(format);
        }
        return index;
    }

    bool writeWorkbook(lxw_workbook* workbook) const
    {
        lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
        if (!sheet)
            return false;
        QVector<lxw_format*> written;
        for (const Format& format : formats) {
            lxw_format* f = addFormat(workbook, format);
            if (!f)
                return false;
            written.append(f);
        }
        for (const auto& width : columnWidths) {
            const lxw_col_t c = lxw_col_t(width.first - 1);
            if (worksheet_set_column(sheet, c, c, width.second, nullptr) != LXW_NO_ERROR)
                return false;
        }
        for (const auto& row : cells.rows()) {
            for (const CellTable::Cell& cell : row.second) {
                lxw_format* format = cell.format >= 0 ? written.at(cell.format) : nullptr;
                if (writeCell(sheet, row.first, cell, format) != LXW_NO_ERROR)
                    return false;
            }
        }
        return true;
    }
};

Document::Document() : d(new Private)
{
}

Document::Document(const QString& xlsxName, int lastValueRow) : d(new Private)
{
    d->loaded = readFirstWorksheet(xlsxName, &d->cells, lastValueRow);
    if (!d->loaded)
        d->cells = CellTable();
}

Document::~Document() = default;

bool Document::isLoadPackage() const
{
    return d->loaded;
}

bool Document::write(const CellReference& cell, const QVariant& value, const Format& format)
{
    if (!cell.isValid())
        return false;
    d->cells.set(cell.row(), cell.column(), value, d->formatIndex(format));
    return true;
}

bool Document::write(int row, int column, const QVariant& value, const Format& format)
{
    return write(CellReference(row, column), value, format);
}

QVariant Document::read(const CellReference& cell) const
{
    const CellTable::Cell* found = cell.isValid() ? d->cells.find(cell.row(), cell.column()) : nullptr;
    return found ? found->value : QVariant();
}

QVariant Document::read(int row, int column) const
{
    return read(CellReference(row, column));
}

CellRange Document::dimension() const
{
    return d->cells.range();
}

const CellTable& Document::cells() const
{
    return d->cells;
}

bool Document::setColumnWidth(int column, double width)
{
    return setColumnWidth(column, column, width);
}

bool Document::setColumnWidth(int colFirst, int colLast, double width)
{
    if (colFirst < 1 || colLast < colFirst || colLast > MAX_COLUMNS || width < 0)
        return false;
    for (int column = colFirst; column <= colLast; ++column)
        d->columnWidths[column] = width;
    return true;
}

bool Document::saveAs(const QString& xlsxName) const
{
    // libxlsxwriter writes to a path of its own choosing only; the workbook is made in a scratch
    // file first and then put in place as a whole, so a failure never leaves half a file behind.
    QTemporaryFile scratch(QDir::tempPath() + QStringLiteral("/kl-xlsx-XXXXXX.xlsx"));
    if (!scratch.open())
        return false;
    scratch.close();

    lxw_workbook* workbook = workbook_new(QFile::encodeName(scratch.fileName()).constData());
    if (!workbook)
        return false;
    const bool built = d->writeWorkbook(workbook);
    // Closing writes the package and frees the workbook, also after a failed build.
    if (workbook_close(workbook) != LXW_NO_ERROR || !built)
        return false;

    if (!scratch.open())
        return false;
    const QByteArray package = scratch.readAll();
    return scratch.error() == QFileDevice::NoError && saveWholeFile(xlsxName, package);
}

} // namespace QXlsx
