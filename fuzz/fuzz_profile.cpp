// The profile reader (the settings block shared with the factory information file) on any text,
// read as the window reads a profile: the header line, then the block.
// Promises: the reader takes a block exactly when the format allows it, and then with the values
// the format gives: a header with a 16-bit product index; 33 lines of no more than 512 characters,
// none a header, each with at least its count of values, the first ones taken and any beyond
// ignored; every value a decimal number that fits its field (8 or 16 bits unsigned, 32 bits
// signed), a flag on only for exactly 1. The format is written out below from its description,
// not taken from the reader. And a block it accepts, written out again and read back, gives the
// same block text, so saving a loaded profile never changes a setting.

#include "fuzzcheck.h"
#include "profileformat.h"

#include <QTextStream>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>

namespace {

using D = ProgDataStructDef;

constexpr int MAX_LINE = 512;
constexpr int VALUES_FROM = 3;

// One line of the block in PID order: the range of its values (its field's own), how many it
// takes, whether it is a flag, and what the reader stored for it.
struct Line
{
    qint64 min;
    qint64 max;
    int count;
    bool flag;
    std::function<QList<qint64>(const D&)> stored;
};

template <typename T> Line number(T D::*f)
{
    return {std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), 1, false,
            [f](const D& d) { return QList<qint64>{d.*f}; }};
}
Line flag(quint8 D::*f)
{
    Line line = number(f);
    line.flag = true;
    return line;
}
Line list(QList<int> D::*f, int count)
{
    return {std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), count, false, [f](const D& d) {
                QList<qint64> entries;
                for (int entry : d.*f)
                    entries << entry;
                return entries;
            }};
}

const Line LINES[] = {
    number(&D::current),
    number(&D::firmwareVersion),
    number(&D::dimFunctionType),
    flag(&D::EOL_Enable),
    number(&D::userEolTime),
    flag(&D::CLO_Enable),
    list(&D::CLO_TimeList, 8),
    list(&D::CLO_LevelList, 8),
    flag(&D::OTP_Enable),
    flag(&D::MTP_Enable),
    number(&D::MTP_MinLevel),
    number(&D::MTP_Start),
    number(&D::MTP_End),
    number(&D::MTP_MaxLevel),
    number(&D::MTP_Shutdown),
    number(&D::LDP_MinDim),
    number(&D::LDP_MaxAD),
    number(&D::LDP_MinAD),
    number(&D::analogDimMinLevel),
    number(&D::analogDimMaxLevel),
    number(&D::analogDimStart),
    number(&D::analogDimEnd),
    number(&D::analogDimMode),
    list(&D::TimeDimStepList, 5),
    list(&D::TimeDimLevelList, 5),
    number(&D::midnightOffset),
    number(&D::tableVersion),
    list(&D::TimeDimFadeTimeList, 5),
    number(&D::timerDimOverrideFadeTime),
    number(&D::moduleOperationTime_mins),
    number(&D::moduleOperationTime_hrs),
    number(&D::driverOperationTime_mins),
    number(&D::driverOperationTime_hrs),
};
static_assert(sizeof LINES / sizeof LINES[0] == 33, "a block has 33 setting lines");

// A decimal number: an optional sign and ASCII digits, blanks around it ignored; false for
// anything else or beyond 64 bits.
bool decimal(const QString& field, qint64* value)
{
    const QString text = field.trimmed();
    int at = text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0;
    if (at == text.size())
        return false;
    const bool negative = text.startsWith(QLatin1Char('-'));
    quint64 magnitude = 0;
    for (; at < text.size(); ++at) {
        const ushort c = text.at(at).unicode();
        if (c < '0' || c > '9' || magnitude > (std::numeric_limits<quint64>::max() - 9) / 10)
            return false;
        magnitude = magnitude * 10 + (c - '0');
    }
    if (magnitude > quint64(std::numeric_limits<qint64>::max()) + (negative ? 1 : 0))
        return false;
    *value = negative ? qint64(0 - magnitude) : qint64(magnitude);
    return true;
}

bool inRange(const QString& field, qint64 min, qint64 max, qint64* value)
{
    return decimal(field, value) && *value >= min && *value <= max;
}

// The settings a record holds, in the order of the block: the product index, then each line's values.
using Settings = QList<QList<qint64>>;

Settings settings(const D& d)
{
    Settings values{{d.productIndex}};
    for (const Line& line : LINES)
        values << line.stored(d);
    return values;
}

// The format's own reading of text: the settings of the block it holds, or false.
bool expected(const QString& text, Settings* values)
{
    // Lines end with a line feed; the text after the last one is a line when it holds something.
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() < 34)
        return false;
    for (int n = 0; n < 34; ++n) {
        if (lines.at(n).size() > MAX_LINE)
            return false;
    }
    const QStringList header = lines.at(0).split(QLatin1Char(':'));
    qint64 v = 0;
    if (!lines.at(0).startsWith(QLatin1String("ProductIndex")) || header.size() < 2 ||
        !inRange(header.at(1), 0, 65535, &v))
        return false;
    *values = {{v}};
    for (int n = 0; n < 33; ++n) {
        const Line& line = LINES[n];
        const QStringList fields = lines.at(n + 1).split(QLatin1Char(':'));
        if (lines.at(n + 1).startsWith(QLatin1String("ProductIndex")) ||
            fields.size() < VALUES_FROM + line.count)
            return false;
        QList<qint64> entries;
        for (int i = 0; i < line.count; ++i) {
            if (!inRange(fields.at(VALUES_FROM + i), line.min, line.max, &v))
                return false;
            entries << (line.flag ? qint64(v == 1) : v);
        }
        *values << entries;
    }
    return true;
}

bool read(QString text, ProgDataStructDef& d)
{
    QTextStream in(&text, QIODevice::ReadOnly);
    QString header;
    ProfileFormat::readLine(in, &header);
    return ProfileFormat::readBlock(header, in, d);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Carriage returns are left out: where a line ends around them is the text stream's business,
    // not the format's.
    QString text = QString::fromLocal8Bit(reinterpret_cast<const char*>(data), int(size));
    text.remove(QLatin1Char('\r'));

    ProgDataStructDef d;
    Settings format;
    const bool accepted = read(text, d);
    FUZZ_CHECK(accepted == expected(text, &format));
    if (!accepted)
        return 0;
    FUZZ_CHECK(settings(d) == format);

    const QString written = ProfileFormat::blockText(d, QStringLiteral("Model"));
    ProgDataStructDef again;
    FUZZ_CHECK(read(written, again));
    FUZZ_CHECK(settings(again) == settings(d));
    FUZZ_CHECK(ProfileFormat::blockText(again, QStringLiteral("Model")) == written);
    return 0;
}
