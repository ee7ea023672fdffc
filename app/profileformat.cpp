#include "profileformat.h"

#include <QStringList>
#include <QTextStream>

#include <functional>
#include <limits>
#include <vector>

namespace {

const QLatin1String HEADER_KEYWORD("ProductIndex");
constexpr QChar SEPARATOR(':');
constexpr int MODEL_NAME_FIELD = 3;
constexpr int FIRST_VALUE_FIELD = 3;
constexpr int NAME_WIDTH = 29;
// The longest line a block holds is a list of eight numbers, about 140 characters, or a header
// with a model name of the product list (whose lines are at most 256 bytes). A longer line is no
// line of a block: it is refused as it is read, before it is split or kept.
constexpr int MAX_LINE_LENGTH = 512;
// The factory information file holds one block per model of the product list, which has at most
// 4096 products; a block is about 2 KB. A file with more models, or longer than this (line ends
// counted), is refused rather than read on: its models would fill the administrator view's list
// for many seconds. The length is counted as it is read, so that a file that tells no size (a
// pipe) is bounded as well.
constexpr int MAX_MODELS = 4096;
constexpr qint64 MAX_FILE_LENGTH = qint64(16) << 20;

// One PID line: how its values are written and how they are read back into a record. A value
// that is not a decimal number or does not fit its field, or a line with fewer than its count of
// values, makes the line, and so the block, invalid. Values beyond the count are ignored: files
// written by other tools may carry them, and with lines bounded they cost nothing to skip.
struct ProfileParam
{
    const char* name;
    int values; // the line holds at least these, and read is given just these, its first ones
    std::function<QStringList(const ProgDataStructDef&)> write;
    std::function<bool(ProgDataStructDef&, const QStringList&)> read;
};

bool readNumber(const QString& text, qint64 min, qint64 max, qint64& value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok, 10);
    return ok && value >= min && value <= max;
}

template <typename T> ProfileParam number(const char* name, T ProgDataStructDef::*field)
{
    return {name, 1, [field](const ProgDataStructDef& d) { return QStringList{QString::number(d.*field)}; },
            [field](ProgDataStructDef& d, const QStringList& values) {
                qint64 v = 0;
                if (!readNumber(values.first(), std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), v))
                    return false;
                d.*field = T(v);
                return true;
            }};
}

// On only when the value is exactly 1.
ProfileParam flag(const char* name, quint8 ProgDataStructDef::*field)
{
    ProfileParam param = number(name, field);
    param.read = [field](ProgDataStructDef& d, const QStringList& values) {
        qint64 v = 0;
        if (!readNumber(values.first(), 0, std::numeric_limits<quint8>::max(), v))
            return false;
        d.*field = v == 1 ? 1 : 0;
        return true;
    };
    return param;
}

// A list is written and read whole, `count` entries.
ProfileParam list(const char* name, QList<int> ProgDataStructDef::*field, int count)
{
    return {name, count,
            [field, count](const ProgDataStructDef& d) {
                QStringList texts;
                for (int i = 0; i < count; ++i)
                    texts << QString::number((d.*field).value(i));
                return texts;
            },
            [field, count](ProgDataStructDef& d, const QStringList& values) {
                QList<int> entries;
                for (int i = 0; i < count; ++i) {
                    qint64 v = 0;
                    if (!readNumber(values.at(i), std::numeric_limits<int>::min(),
                                    std::numeric_limits<int>::max(), v))
                        return false;
                    entries << int(v);
                }
                d.*field = entries;
                return true;
            }};
}

// PID n is entry n - 1. Not in a block: LDP_Shutdown and the memory-bank half of the record.
const std::vector<ProfileParam>& profileParams()
{
    using D = ProgDataStructDef;
    static const std::vector<ProfileParam> params{
        number("Current", &D::current),
        number("FW_Version", &D::firmwareVersion),
        number("DimType", &D::dimFunctionType),
        flag("EOL_Enable", &D::EOL_Enable),
        number("EOL_Time", &D::userEolTime),
        flag("CLO_Enable", &D::CLO_Enable),
        list("CLO_Time", &D::CLO_TimeList, 8),
        list("CLO_Level", &D::CLO_LevelList, 8),
        flag("OTP_Enable", &D::OTP_Enable),
        flag("MTP_Enable", &D::MTP_Enable),
        number("MTP_MinLevel", &D::MTP_MinLevel),
        number("MTP_Start", &D::MTP_Start),
        number("MTP_End", &D::MTP_End),
        number("MTP_MaxLevel", &D::MTP_MaxLevel),
        number("MTP_Shutdown", &D::MTP_Shutdown),
        number("LDP_MinDim", &D::LDP_MinDim),
        number("LDP_MaxAD", &D::LDP_MaxAD),
        number("LDP_MinAD", &D::LDP_MinAD),
        number("0-10V_MinLevel", &D::analogDimMinLevel),
        number("0-10V_MaxLevel", &D::analogDimMaxLevel),
        number("0-10V_Start", &D::analogDimStart),
        number("0-10V_End", &D::analogDimEnd),
        number("0-10V_Mode", &D::analogDimMode),
        list("SmartTimeDimStep", &D::TimeDimStepList, 5),
        list("SmartTimeDimLevel", &D::TimeDimLevelList, 5),
        number("MidnightOffset", &D::midnightOffset),
        number("ProtocolVersion", &D::tableVersion),
        list("TimerDimFadeTime_OnOff", &D::TimeDimFadeTimeList, 5),
        number("TimerDimOverrideFadeTime", &D::timerDimOverrideFadeTime),
        number("ModuleOperationTime_Mins", &D::moduleOperationTime_mins),
        number("ModuleOperationTime_Hrs", &D::moduleOperationTime_hrs),
        number("DriverOperationTime_Mins", &D::driverOperationTime_mins),
        number("DriverOperationTime_Hrs", &D::driverOperationTime_hrs),
    };
    return params;
}

} // namespace

namespace ProfileFormat {

LineRead readLine(QTextStream& in, QString* line)
{
    // One character past the bound tells a line of exactly the bound from a longer one; the rest
    // of a longer line is never read.
    if (!in.readLineInto(line, MAX_LINE_LENGTH + 1))
        return LineRead::End;
    if (line->size() <= MAX_LINE_LENGTH)
        return LineRead::Line;
    *line = QString();
    return LineRead::TooLong;
}

bool isHeaderLine(const QString& line)
{
    return line.startsWith(HEADER_KEYWORD);
}

QString modelName(const QString& headerLine)
{
    const QStringList fields = headerLine.split(SEPARATOR);
    return fields.size() > MODEL_NAME_FIELD ? fields.at(MODEL_NAME_FIELD) : headerLine;
}

namespace {

// The next line of a factory information file of which *length characters have been read: false
// at its end, and for a line or a file beyond what such a file holds.
bool readFileLine(QTextStream& in, QString* line, qint64* length, bool* refused)
{
    const LineRead read = readLine(in, line);
    *length += line->size() + 1;
    *refused = read == LineRead::TooLong || (read == LineRead::Line && *length > MAX_FILE_LENGTH);
    return read == LineRead::Line && !*refused;
}

} // namespace

bool modelNames(QTextStream& in, QStringList* names)
{
    names->clear();
    QString line;
    qint64 length = 0;
    bool refused = false;
    while (!refused && readFileLine(in, &line, &length, &refused)) {
        if (!isHeaderLine(line))
            continue;
        if (names->size() == MAX_MODELS)
            refused = true;
        else
            names->append(modelName(line));
    }
    if (refused)
        names->clear();
    return !refused;
}

QString findHeader(QTextStream& in, int index)
{
    QString line;
    qint64 length = 0;
    bool refused = false;
    for (int headers = 0; readFileLine(in, &line, &length, &refused);) {
        if (isHeaderLine(line) && ++headers == index)
            return line;
    }
    return QString();
}

QString blockText(const ProgDataStructDef& d, const QString& modelName)
{
    QString text = QStringLiteral("ProductIndex:   %1  :Description:").arg(d.productIndex) + modelName +
                   QLatin1Char('\n');
    int pid = 1;
    for (const ProfileParam& param : profileParams()) {
        text += QStringLiteral("PID: %1: %2:").arg(pid++, 2).arg(QLatin1String(param.name), -NAME_WIDTH) +
                param.write(d).join(SEPARATOR) + QLatin1Char('\n');
    }
    return text;
}

bool readHeader(const QString& headerLine, quint16* productIndex)
{
    const QStringList header = headerLine.split(SEPARATOR);
    qint64 product = 0;
    if (!isHeaderLine(headerLine) || header.size() < 2 ||
        !readNumber(header.at(1), 0, std::numeric_limits<quint16>::max(), product))
        return false;
    *productIndex = quint16(product);
    return true;
}

bool readBlock(const QString& headerLine, QTextStream& in, ProgDataStructDef& d)
{
    if (!readHeader(headerLine, &d.productIndex))
        return false;

    QString line;
    for (const ProfileParam& param : profileParams()) {
        if (readLine(in, &line) != LineRead::Line || isHeaderLine(line))
            return false;
        const QStringList fields = line.split(SEPARATOR);
        if (fields.size() < FIRST_VALUE_FIELD + param.values ||
            !param.read(d, fields.mid(FIRST_VALUE_FIELD, param.values)))
            return false;
    }
    return true;
}

} // namespace ProfileFormat
