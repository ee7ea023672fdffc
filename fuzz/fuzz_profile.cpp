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
#include <limits>

namespace {

using D = ProgDataStructDef;

constexpr int MAX_LINE = 512;
constexpr int VALUES_FROM = 3;

enum class Kind
{
    U8,
    U16,
    Flag,
    I32,
    List,
};

// One line of the block in PID order: where its values go. Exactly one member pointer is set.
struct Line
{
    Kind kind;
    quint8 D::*u8;
    quint16 D::*u16;
    qint32 D::*i32;
    QList<int> D::*list;
    int count;
};

Line u8(quint8 D::*f)
{
    return {Kind::U8, f, nullptr, nullptr, nullptr, 1};
}
Line flag(quint8 D::*f)
{
    return {Kind::Flag, f, nullptr, nullptr, nullptr, 1};
}
Line u16(quint16 D::*f)
{
    return {Kind::U16, nullptr, f, nullptr, nullptr, 1};
}
Line i32(qint32 D::*f)
{
    return {Kind::I32, nullptr, nullptr, f, nullptr, 1};
}
Line list(QList<int> D::*f, int count)
{
    return {Kind::List, nullptr, nullptr, nullptr, f, count};
}

const Line LINES[] = {
    u16(&D::current),
    u16(&D::firmwareVersion),
    u8(&D::dimFunctionType),
    flag(&D::EOL_Enable),
    u8(&D::userEolTime),
    flag(&D::CLO_Enable),
    list(&D::CLO_TimeList, 8),
    list(&D::CLO_LevelList, 8),
    flag(&D::OTP_Enable),
    flag(&D::MTP_Enable),
    u8(&D::MTP_MinLevel),
    u16(&D::MTP_Start),
    u16(&D::MTP_End),
    u8(&D::MTP_MaxLevel),
    u16(&D::MTP_Shutdown),
    u8(&D::LDP_MinDim),
    u16(&D::LDP_MaxAD),
    u16(&D::LDP_MinAD),
    u8(&D::analogDimMinLevel),
    u8(&D::analogDimMaxLevel),
    u16(&D::analogDimStart),
    u16(&D::analogDimEnd),
    u8(&D::analogDimMode),
    list(&D::TimeDimStepList, 5),
    list(&D::TimeDimLevelList, 5),
    i32(&D::midnightOffset),
    u8(&D::tableVersion),
    list(&D::TimeDimFadeTimeList, 5),
    u8(&D::timerDimOverrideFadeTime),
    u8(&D::moduleOperationTime_mins),
    i32(&D::moduleOperationTime_hrs),
    u8(&D::driverOperationTime_mins),
    i32(&D::driverOperationTime_hrs),
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

// The format's own reading of text: the block it holds, or false.
bool expected(const QString& text, D& d)
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
    d.productIndex = quint16(v);
    for (int n = 0; n < 33; ++n) {
        const Line& line = LINES[n];
        const QStringList fields = lines.at(n + 1).split(QLatin1Char(':'));
        if (lines.at(n + 1).startsWith(QLatin1String("ProductIndex")) ||
            fields.size() < VALUES_FROM + line.count)
            return false;
        const QString& value = fields.at(VALUES_FROM);
        switch (line.kind) {
        case Kind::U8:
            if (!inRange(value, 0, 255, &v))
                return false;
            d.*line.u8 = quint8(v);
            break;
        case Kind::Flag:
            if (!inRange(value, 0, 255, &v))
                return false;
            d.*line.u8 = v == 1 ? 1 : 0;
            break;
        case Kind::U16:
            if (!inRange(value, 0, 65535, &v))
                return false;
            d.*line.u16 = quint16(v);
            break;
        case Kind::I32:
            if (!inRange(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(), &v))
                return false;
            d.*line.i32 = qint32(v);
            break;
        case Kind::List: {
            QList<int> entries;
            for (int i = 0; i < line.count; ++i) {
                if (!inRange(fields.at(VALUES_FROM + i), std::numeric_limits<int>::min(),
                             std::numeric_limits<int>::max(), &v))
                    return false;
                entries << int(v);
            }
            d.*line.list = entries;
            break;
        }
        }
    }
    return true;
}

bool sameSettings(const D& a, const D& b)
{
    if (a.productIndex != b.productIndex)
        return false;
    for (const Line& line : LINES) {
        switch (line.kind) {
        case Kind::U8:
        case Kind::Flag:
            if (a.*line.u8 != b.*line.u8)
                return false;
            break;
        case Kind::U16:
            if (a.*line.u16 != b.*line.u16)
                return false;
            break;
        case Kind::I32:
            if (a.*line.i32 != b.*line.i32)
                return false;
            break;
        case Kind::List:
            if (a.*line.list != b.*line.list)
                return false;
            break;
        }
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
    ProgDataStructDef format;
    const bool accepted = read(text, d);
    FUZZ_CHECK(accepted == expected(text, format));
    if (!accepted)
        return 0;
    FUZZ_CHECK(sameSettings(d, format));

    const QString written = ProfileFormat::blockText(d, QStringLiteral("Model"));
    ProgDataStructDef again;
    FUZZ_CHECK(read(written, again));
    FUZZ_CHECK(sameSettings(again, d));
    FUZZ_CHECK(ProfileFormat::blockText(again, QStringLiteral("Model")) == written);
    return 0;
}
