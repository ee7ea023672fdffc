#ifndef TABLEWORKBOOK_H
#define TABLEWORKBOOK_H

#include <QList>
#include <QStringList>

class QTableWidget;
class QWidget;

// The window's tables as .xlsx workbooks: one worksheet, a bold green header row, then one
// spreadsheet row per table row with every cell written as text.
struct TableWorkbookLayout
{
    const char* startMessage;    // written to standard output when the user asks to save
    const char* dialogTitle;
    const char* proposedFileName;
    QStringList headers;         // row 1, columns A onwards
    QList<double> columnWidths;  // in the spreadsheet's character units, columns A onwards
};

// The name filter of the workbook file dialogs, as the program has always shown it.
extern const char WORKBOOK_FILTER[];
extern const char WORKBOOK_SUFFIX[]; // the file dialogs' default suffix

// True for the suffixes a workbook may carry ("xls", "xlsx"; case-sensitive).
bool hasWorkbookSuffix(const QString& fileName);

// Asks for a file name, then writes the table's header and rows to it. A name without a workbook
// suffix gets ".xlsx". A failed save is reported in a warning box: the user must not walk away
// believing the table was kept.
void saveTableWorkbook(QWidget* parent, const QTableWidget* table, const TableWorkbookLayout& layout);

#endif // TABLEWORKBOOK_H
