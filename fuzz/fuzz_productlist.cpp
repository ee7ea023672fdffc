// The product list reader on any file content. Promises: record n has index n, every stored
// record holds numbers a driver can (so the current choices stay few), and the reading follows the
// lines as the format ends them: it stops, in error and counting that line, at the first line after
// the headings longer than 256 bytes or at the first product line (11 fields) it does not store,
// and it stores none but product lines before that; without such a line it reads every line and
// is not in error. A product line that repeats the one before it with the next index is refused
// only by a full list of 4096 products.

#include "fuzzcheck.h"
#include "globals.h"
#include "productlist.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

constexpr int HEADINGS = 2;
constexpr int MAX_LINE_BYTES = 256;
constexpr int SEPARATORS = 10; // of a product line's 11 fields
constexpr int MAX_PRODUCTS = 4096;

// Lines end with LF, CRLF or a lone CR, carriage returns before a line feed all part of its line
// end; text after the last line end is a line only when it holds something. Latin-1 keeps one
// character a byte, NUL included.
QStringList linesOf(const QByteArray& content)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r*\n|\r"));
    QStringList lines = QString::fromLatin1(content.constData(), content.size()).split(lineEnd);
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    productList.clear();
    productListLineNumber = 0;
    const QByteArray content(reinterpret_cast<const char*>(data), int(size));
    const ProductListReadResult result = readProductList(content);

    FUZZ_CHECK(result.opened);
    FUZZ_CHECK(productList.size() <= MAX_PRODUCTS);
    for (int i = 0; i < productList.size(); ++i) {
        const ProductRecord& r = productList.at(i);
        FUZZ_CHECK(r.index == i);
        FUZZ_CHECK(r.minCurrent >= 0 && r.minCurrent <= r.maxCurrent && r.maxCurrent <= 65535);
        // One current choice per 50 mA.
        FUZZ_CHECK((r.maxCurrent - r.minCurrent) / 50 + 1 <= 1311);
        FUZZ_CHECK(std::isfinite(r.phyMinLevel) && r.phyMinLevel >= 0 && r.phyMinLevel <= 100);
        FUZZ_CHECK(std::isfinite(r.maxVoltage) && std::isfinite(r.minVoltage));
        FUZZ_CHECK(r.name == r.name.trimmed());
    }

    // Where the reading must stop (a line number from 1; 0: nowhere): the product lines before it
    // are exactly the stored records.
    const QStringList lines = linesOf(content);
    int products = 0;
    int stopLine = 0;
    for (int i = HEADINGS; i < lines.size() && stopLine == 0; ++i) {
        const bool tooLong = lines.at(i).size() > MAX_LINE_BYTES;
        const bool product = !tooLong && lines.at(i).count(QLatin1Char(',')) == SEPARATORS;
        if (tooLong || (product && products == productList.size()))
            stopLine = i + 1;
        else if (product)
            ++products;
    }
    FUZZ_CHECK(products == productList.size());
    FUZZ_CHECK(result.listError == (stopLine > 0));
    FUZZ_CHECK(productListLineNumber == (stopLine > 0 ? stopLine : lines.size()));

    // Record n stands on line n + 3; the line after the last record, the one before it again with
    // the next index, holds nothing a list could refuse but the list's bound.
    const int next = productList.size();
    if (next > 0 && stopLine == HEADINGS + next + 1) {
        const QString& refused = lines.at(stopLine - 1);
        const QString& previous = lines.at(stopLine - 2);
        if (refused.section(QLatin1Char(','), 0, 0) == QString::number(next)
            && refused.section(QLatin1Char(','), 1) == previous.section(QLatin1Char(','), 1))
            FUZZ_CHECK(next == MAX_PRODUCTS);
    }
    return 0;
}
