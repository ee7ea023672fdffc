#include "productlist.h"

#include "globals.h"

#include <QFile>
#include <QStringList>
#include <QTextStream>

namespace {

constexpr int HEADING_LINES = 2;
constexpr int PRODUCT_FIELDS = 11;

// A field that does not parse reads as 0, as the list has always been read. Blanks and a stray
// carriage return around a number must not turn it into 0.
int decimalField(const QString& field, bool* ok = nullptr)
{
    return field.trimmed().toInt(ok, 10);
}

float numberField(const QString& field)
{
    return field.trimmed().toFloat();
}

ProductRecord parseProductLine(const QStringList& f)
{
    ProductRecord r;
    r.index = decimalField(f[0]);
    r.name = f[1].trimmed();
    r.field2 = decimalField(f[2]);
    r.maxCurrent = decimalField(f[3]);
    r.minCurrent = decimalField(f[4]);
    r.field5 = decimalField(f[5]);
    r.phyMinLevel = numberField(f[6]);
    r.maxVoltage = numberField(f[7]);
    r.minVoltage = numberField(f[8]);
    r.analogVariant = decimalField(f[9]);
    r.driverFeature = f[10].trimmed().toUInt(nullptr, 16);
    return r;
}

} // namespace

ProductListReadResult readProductListFile(const QString& path)
{
    ProductListReadResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        result.errorString = file.errorString();
        return result;
    }
    result.opened = true;

    QTextStream in(&file);
    while (!in.atEnd()) {
        QString line = in.readLine();
        // A list saved with "\r\r\n" or read from a share that keeps the carriage return would
        // otherwise leave it in the feature mask, which then parses as 0.
        while (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringList fields = line.split(QLatin1Char(','), Qt::KeepEmptyParts);
        ++productListLineNumber;
        if (productListLineNumber <= HEADING_LINES)
            continue;
        if (fields.size() != PRODUCT_FIELDS)
            continue;

        bool indexOk = false;
        decimalField(fields[0], &indexOk);
        const ProductRecord record = parseProductLine(fields);
        // The driver model combo box and every engine take a position in the list for a product
        // index, so a record that would sit at another position than its index (a gap before it,
        // a duplicate, an index that is no number) is never stored.
        if (!indexOk || record.index != productListLineNumber - HEADING_LINES - 1
            || record.index != productList.size()) {
            result.listError = true;
            break;
        }
        productList.append(record);
    }
    return result;
}
