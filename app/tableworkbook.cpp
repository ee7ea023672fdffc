#include "tableworkbook.h"

#include "prompt.h"
#include "xlsxdocument.h"

#include <QFileInfo>
#include <QTableWidget>
#include <QTextStream>

namespace {

constexpr int FONT_SIZE = 12;
const QColor HEADER_FILL(152, 251, 152);

} // namespace

const char WORKBOOK_FILTER[] = "Excel Files(*.xls *.xlsx";
const char WORKBOOK_SUFFIX[] = "xlsx";

bool hasWorkbookSuffix(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    return suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx");
}

void saveTableWorkbook(QWidget* parent, const QTableWidget* table, const TableWorkbookLayout& layout)
{
    QTextStream(stdout) << layout.startMessage << Qt::endl;
    QString fileName = Prompt::getSaveFileName(parent, QString::fromUtf8(layout.dialogTitle),
                                               QString::fromUtf8(layout.proposedFileName),
                                               QString::fromLatin1(WORKBOOK_FILTER), QString::fromLatin1(WORKBOOK_SUFFIX));
    if (fileName.isEmpty())
        return;
    if (!hasWorkbookSuffix(fileName))
        fileName += QStringLiteral(".xlsx");

    QXlsx::Format header;
    header.setFontSize(FONT_SIZE);
    header.setFontBold(true);
    header.setHorizontalAlignment(QXlsx::Format::AlignHCenter);
    header.setPatternBackgroundColor(HEADER_FILL);
    header.setBorderStyle(QXlsx::Format::BorderMedium);
    QXlsx::Format data;
    data.setFontSize(FONT_SIZE);
    data.setFontBold(false);
    data.setHorizontalAlignment(QXlsx::Format::AlignLeft);
    data.setBorderStyle(QXlsx::Format::BorderThin);

    QXlsx::Document book;
    for (int column = 0; column < layout.headers.size(); ++column)
        book.write(1, column + 1, layout.headers.at(column), header);
    for (int column = 0; column < layout.columnWidths.size(); ++column)
        book.setColumnWidth(column + 1, layout.columnWidths.at(column));
    for (int row = 0; row < table->rowCount(); ++row) {
        for (int column = 0; column < layout.headers.size(); ++column) {
            const QTableWidgetItem* item = table->item(row, column);
            book.write(row + 2, column + 1, item ? item->text() : QString(), data);
        }
    }
    if (!book.saveAs(fileName))
        Prompt::warning(parent, QStringLiteral("Warning"),
                        QStringLiteral("Save file failed! Please check that %1 can be written.").arg(fileName));
}
