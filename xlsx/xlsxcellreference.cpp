#include "xlsxcellreference.h"

namespace QXlsx {

CellReference::CellReference(int row, int column)
{
    if (row >= 1 && row <= MAX_ROWS && column >= 1 && column <= MAX_COLUMNS) {
        rowNumber = row;
        columnNumber = column;
    }
}

CellReference::CellReference(const char* cell) : CellReference(QString::fromLatin1(cell))
{
}

CellReference::CellReference(const QString& cell)
{
    const QString text = cell.trimmed();
    int i = 0;
    if (i < text.size() && text.at(i) == QLatin1Char('$'))
        ++i;
    qint64 column = 0;
    const int lettersStart = i;
    for (; i < text.size() && column <= MAX_COLUMNS; ++i) {
        const QChar c = text.at(i).toUpper();
        if (c < QLatin1Char('A') || c > QLatin1Char('Z'))
            break;
        column = column * 26 + (c.unicode() - 'A' + 1);
    }
    if (i == lettersStart || column > MAX_COLUMNS)
        return;
    if (i < text.size() && text.at(i) == QLatin1Char('$'))
        ++i;
    const QStringRef digits = text.midRef(i);
    bool ok = false;
    const int row = digits.toInt(&ok, 10);
    // toInt accepts a sign; a reference does not.
    if (!ok || digits.isEmpty() || !digits.at(0).isDigit())
        return;
    *this = CellReference(row, int(column));
}

QString CellReference::toString() const
{
    if (!isValid())
        return QString();
    QString letters;
    for (int c = columnNumber; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar('A' + (c - 1) % 26));
    return letters + QString::number(rowNumber);
}

} // namespace QXlsx
