#include "productlist.h"

#include "globals.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int HEADING_LINES = 2;
constexpr int PRODUCT_FIELDS = 11;
// Every product becomes an entry of the driver model combo box, and the box measures every entry
// when the window is first shown: a few hundred products are a list, thousands more only hold the
// window at start-up. Far beyond any real list, yet cheap to show.
constexpr int MAX_PRODUCTS = 4096;
// Product indexes are 16-bit in every record and on the driver.
static_assert(MAX_PRODUCTS - 1 <= std::numeric_limits<quint16>::max(), "a product index is 16 bits");
// A product line is an index, a model name and nine short numbers, well under 100 bytes; this
// leaves room for a long name. Longer lines are a damaged list and are refused as they are met,
// before anything of them is converted or split.
constexpr int MAX_LINE_BYTES = 256;
// Even with its headings and skipped lines a list of that many products stays far below this; a
// file beyond it is refused at the bound rather than read whole.
constexpr int MAX_LIST_BYTES = 32 << 20;

// What a driver can hold: currents are 16-bit mA values on the driver, the minimum dim level is a
// percentage, and no driver of the family puts out more than this.
constexpr int MAX_DRIVER_CURRENT_MA = 65535;
constexpr float MAX_LEVEL_PERCENT = 100.0f;
constexpr float MAX_OUTPUT_VOLTAGE_V = 1000.0f;

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

bool inRange(float v, float max)
{
    return std::isfinite(v) && v >= 0.0f && v <= max;
}

// The Programming tab builds one current choice per 50 mA and casts the levels to whole percent:
// a record outside what a driver can hold would freeze the window or overflow on the way.
bool driverCanHold(const ProductRecord& r)
{
    return r.minCurrent >= 0 && r.maxCurrent <= MAX_DRIVER_CURRENT_MA && r.minCurrent <= r.maxCurrent
           && inRange(r.phyMinLevel, MAX_LEVEL_PERCENT) && inRange(r.maxVoltage, MAX_OUTPUT_VOLTAGE_V)
           && inRange(r.minVoltage, MAX_OUTPUT_VOLTAGE_V);
}

// The next line from *pos on, as bytes of text, its line end consumed; false at the end of the
// text. Lines end with LF, CRLF or a lone CR (an old editor's save); "\r\r\n" from a list copied
// through a share that adds a carriage return is one line end too. The text after the last line
// end is a line only when it holds something. Lines are taken one at a time so that reading can
// stop early.
bool nextLine(const QByteArray& text, int* pos, int* begin, int* length)
{
    const char* const data = text.constData();
    const int size = text.size();
    if (*pos >= size)
        return false;
    int end = *pos;
    while (end < size && data[end] != '\n' && data[end] != '\r')
        ++end;
    *begin = *pos;
    *length = end - *pos;
    int next = end;
    while (next < size && data[next] == '\r')
        ++next;
    *pos = next < size && data[next] == '\n' ? next + 1 : qMin(end + 1, size);
    return true;
}

} // namespace

ProductListReadResult readProductList(const QByteArray& content)
{
    ProductListReadResult result;
    result.opened = true;
    int begin = 0;
    int length = 0;
    for (int pos = 0; nextLine(content, &pos, &begin, &length);) {
        ++productListLineNumber;
        if (productListLineNumber <= HEADING_LINES)
            continue;
        if (length > MAX_LINE_BYTES) {
            result.listError = true;
            break;
        }
        const char* const bytes = content.constData() + begin;
        if (std::count(bytes, bytes + length, ',') != PRODUCT_FIELDS - 1)
            continue;
        const QStringList fields =
            QString::fromLocal8Bit(bytes, length).split(QLatin1Char(','), Qt::KeepEmptyParts);

        bool indexOk = false;
        decimalField(fields[0], &indexOk);
        const ProductRecord record = parseProductLine(fields);
        // The driver model combo box and every engine take a position in the list for a product
        // index, so a record that would sit at another position than its index (a gap before it,
        // a duplicate, an index that is no number or beyond the list's bound) is never stored; nor is
        // one no driver can be.
        if (!indexOk || record.index != productListLineNumber - HEADING_LINES - 1 ||
            record.index != productList.size() || record.index >= MAX_PRODUCTS || !driverCanHold(record)) {
            result.listError = true;
            break;
        }
        productList.append(record);
    }
    return result;
}

ProductListReadResult readProductListFile(const QString& path)
{
    QFile file(path);
    // Binary on purpose: text mode drops every carriage return, which joins a CR-only list into
    // one line.
    if (!file.open(QIODevice::ReadOnly)) {
        ProductListReadResult result;
        result.errorString = file.errorString();
        return result;
    }
    QByteArray content = file.read(MAX_LIST_BYTES + 1);
    if (content.size() <= MAX_LIST_BYTES)
        return readProductList(content);
    // Beyond any list of products: the whole lines within the bound are read, and the list is in
    // error as at a bad line.
    content.truncate(qMax(content.lastIndexOf('\n', MAX_LIST_BYTES - 1), content.lastIndexOf('\r', MAX_LIST_BYTES - 1)) + 1);
    ProductListReadResult result = readProductList(content);
    result.listError = true;
    return result;
}
