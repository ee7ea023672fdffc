#include "nfctagimage.h"

#include <cstring>

namespace NfcTagImage {

namespace {

constexpr int FAMILY_FIRST = 110;
constexpr int FAMILY_LAST = 134;
constexpr int CLO_POINTS = 8;
constexpr int TIMER_STEPS = 5;

// Family areas after the parameters, in tag order.
constexpr int BANK1_START = PARAMETER_BYTES;
constexpr int BANK1_BYTES = 117; // GTIN to the identification text
constexpr int SPECIFIC_BYTES = int(sizeof(ProgDataStructDef::bank1SpecificString));
constexpr int EXTRA_BYTES = int(sizeof(ProgDataStructDef::tagExtraBytes));
constexpr int BANK3_SHORT_BYTES = int(sizeof(ProgDataStructDef::bank3AreaShort));
constexpr int BANK3_LONG_BYTES = int(sizeof(ProgDataStructDef::bank3AreaLong));
constexpr int STRETCH_BYTES = 126; // bank201BPSS to DT6ExtraBytes2

// The scale factor bytes of banks 202, 203 and 204 inside the stretch.
constexpr int MARKER_OFFSETS[] = {7, 18, 29};

// Bytes of the stretch that a programmable part writes: {offset, length}.
struct Span
{
    int offset;
    int length;
};
constexpr Span PART250_SPANS[] = {{0, 1}};                     // bus power supply
constexpr Span PART253_SPANS[] = {{59, 3}, {65, 4}, {88, 4}};  // resettable counters, bank 207
constexpr Span DT6_SPANS[] = {{92, 4}, {113, 1}, {116, 1}};    // levels, system failure, address

int bank3Bytes(int layout)
{
    switch (layout) {
    case 1:
        return BANK3_SHORT_BYTES;
    case 2:
    case 3:
        return BANK3_LONG_BYTES;
    default:
        return 0;
    }
}

// Every family field after the parameters, in tag order, as (first byte, byte count).
template <class Record, class Visit>
void forEachFamilyField(Record& r, int layout, Visit visit)
{
    auto bytes = [&](auto& array) { visit(&array[0], int(sizeof array)); };
    auto byte = [&](auto& value) { visit(&value, 1); };

    bytes(r.bank1GTIN);
    bytes(r.bank1ID);
    bytes(r.bank1CFID);
    byte(r.bank1YY);
    byte(r.bank1WW);
    bytes(r.bank1Power);
    bytes(r.bank1MinPower);
    bytes(r.bank1MinVoltage);
    bytes(r.bank1MaxVoltage);
    bytes(r.bank1Lm);
    byte(r.bank1CRI);
    bytes(r.bank1CCT);
    byte(r.bank1LDT);
    bytes(r.bank1ColorString);
    bytes(r.bank1IDString);
    if (layout == 3)
        bytes(r.bank1SpecificString);
    bytes(r.tagExtraBytes);
    if (layout == 1)
        bytes(r.bank3AreaShort);
    else if (layout == 2 || layout == 3)
        bytes(r.bank3AreaLong);

    byte(r.bank201BPSS);
    bytes(r.bank202ActiveEnergy);
    byte(r.bank202ActivePowerScaleFactor);
    bytes(r.bank202ActivePower);
    bytes(r.bank203ApparentEnergy);
    byte(r.bank203ApparentPowerScaleFactor);
    bytes(r.bank203ApparentPower);
    bytes(r.bank204LoadSideEnergy);
    byte(r.bank204LoadSidePowerScaleFactor);
    bytes(r.bank204LoadSidePower);
    bytes(r.bank205OperatingTime);
    bytes(r.bank205StartCounter);
    bytes(r.bank205ExtSupplyVoltage);
    byte(r.bank205ExtSupplyFreq);
    byte(r.bank205PF);
    byte(r.bank205OverallFailureCondition);
    byte(r.bank205OverallFailureConditionCounter);
    byte(r.bank205ExtUnderVoltage);
    byte(r.bank205ExtUnderVoltageCounter);
    byte(r.bank205ExtOverVoltage);
    byte(r.bank205ExtOverVoltageCounter);
    byte(r.bank205PowerLimit);
    byte(r.bank205PowerLimitCounter);
    byte(r.bank205ThermalDerating);
    byte(r.bank205ThermalDeratingCounter);
    byte(r.bank205ThermalShuntdown);
    byte(r.bank205ThermalShuntdownCounter);
    byte(r.bank205Temperature);
    byte(r.bank205CurrentPercent);
    bytes(r.bank206StartCounterResettable);
    bytes(r.bank206StartCounter);
    bytes(r.bank206OnTimeResettable);
    bytes(r.bank206OnTime);
    bytes(r.bank206Voltage);
    bytes(r.bank206Current);
    byte(r.bank206FailureCondition);
    byte(r.bank206FailureConditionCounter);
    byte(r.bank206SCP);
    byte(r.bank206SCPCounter);
    byte(r.bank206OCP);
    byte(r.bank206OCPCounter);
    byte(r.bank206MTP);
    byte(r.bank206MTPCounter);
    byte(r.bank206MTPShutdown);
    byte(r.bank206MTPShutdownCounter);
    byte(r.bank206Temperature);
    byte(r.bank207RatedLifetime);
    byte(r.bank207RefTemperature);
    bytes(r.bank207RatedStart);
    byte(r.DT6PowerOnLevel);
    byte(r.DT6CurveType);
    byte(r.DT6MinLevel);
    byte(r.DT6MaxLevel);
    byte(r.DT6ExtraByte);
    bytes(r.DT6ExtraBlock);
    byte(r.DT6SystemFailureLevel);
    bytes(r.DT6ExtraBytes1);
    byte(r.DT6ShortAddress);
    bytes(r.DT6ExtraBytes2);
}

QByteArray familyBytes(const ProgDataStructDef& record, int layout)
{
    QByteArray out;
    forEachFamilyField(record, layout,
                       [&out](const quint8* data, int size) { out.append(reinterpret_cast<const char*>(data), size); });
    return out;
}

// First trailer byte after `end` up to the end of its tag block (tag buffer position = byte + 1).
int trailerEnd(int end)
{
    while ((end + 1) % BLOCK_SIZE != 0)
        ++end;
    return end;
}

QList<int> byteList(const QByteArray& image, int first, int count)
{
    QList<int> list;
    for (int i = 0; i < count; ++i)
        list.append(quint8(image.at(first + i)));
    return list;
}

void appendList(QByteArray& out, const QList<int>& list, int count)
{
    for (int i = 0; i < count; ++i)
        out.append(char(i < list.size() ? list.at(i) : 0));
}

void appendLe16(QByteArray& out, quint16 value)
{
    out.append(char(value)).append(char(value >> 8));
}

void appendLe24(QByteArray& out, qint32 value)
{
    out.append(char(value)).append(char(value >> 8)).append(char(value >> 16));
}

} // namespace

bool isFamilyProduct(int productIndex)
{
    return productIndex >= FAMILY_FIRST && productIndex <= FAMILY_LAST;
}

int bankStretchStart(int layout)
{
    return BANK1_START + BANK1_BYTES + (layout == 3 ? SPECIFIC_BYTES : 0) + EXTRA_BYTES + bank3Bytes(layout);
}

int recognisedLayout(const QByteArray& image)
{
    for (int layout = 1; layout <= 3; ++layout) {
        const int p = bankStretchStart(layout);
        bool all = true;
        for (int offset : MARKER_OFFSETS)
            all = all && p + offset < image.size() && quint8(image.at(p + offset)) == LAYOUT_MARKER;
        if (all)
            return layout;
    }
    return 0;
}

int imageLength(int productIndex, int layout)
{
    const int lastField = isFamilyProduct(productIndex) ? bankStretchStart(layout) + STRETCH_BYTES - 1
                                                        : PARAMETER_BYTES - 1;
    return trailerEnd(lastField + 1);
}

bool decodeParameters(const QByteArray& image, ProgDataStructDef& r, quint8* lockByte)
{
    if (image.size() < PARAMETER_BYTES)
        return false;
    auto b = [&image](int i) { return quint8(image.at(i)); };
    auto le16 = [&b](int i) { return quint16(b(i) | b(i + 1) << 8); };
    auto le24 = [&b](int i) { return qint32(b(i) | b(i + 1) << 8 | b(i + 2) << 16); };

    r.tableVersion = b(0);
    if (lockByte)
        *lockByte = b(1);
    r.current = le16(2);
    r.productIndex = quint16(b(4) << 8 | b(5));
    r.firmwareVersion = le16(6);
    r.dimFunctionType = b(8);
    r.userEolTime = b(9);
    r.EOL_Enable = b(9) != 0;
    r.CLO_Enable = b(10) != 0;
    r.CLO_TimeList = byteList(image, 11, CLO_POINTS);
    r.CLO_LevelList = byteList(image, 19, CLO_POINTS);
    r.moduleOperationTime_mins = b(27);
    r.moduleOperationTime_hrs = le24(28);
    r.driverOperationTime_hrs = le24(31);
    r.driverOperationTime_mins = b(34);
    r.OTP_Enable = b(35) != 0;
    r.MTP_Enable = b(36) != 0;
    r.MTP_MinLevel = b(37);
    r.MTP_Start = le16(38);
    r.MTP_End = le16(40);
    r.MTP_Shutdown = le16(42);
    r.LDP_MinDim = b(44);
    r.LDP_MaxAD = le16(45);
    r.LDP_MinAD = le16(47);
    r.LDP_Shutdown = le16(49);
    r.analogDimMinLevel = b(51);
    r.analogDimMaxLevel = b(52);
    r.analogDimStart = b(53);
    r.analogDimEnd = b(54);
    r.analogDimMode = b(55);
    r.TimeDimStepList = byteList(image, 56, TIMER_STEPS);
    r.TimeDimLevelList = byteList(image, 61, TIMER_STEPS);
    r.midnightOffset = qint8(b(66));
    r.TimeDimFadeTimeList = byteList(image, 67, TIMER_STEPS);
    r.timerDimOverrideFadeTime = b(72);
    return true;
}

QByteArray encodeParameters(const ProgDataStructDef& r, quint8 lockByte)
{
    QByteArray out;
    out.reserve(PARAMETER_BYTES);
    out.append(char(r.tableVersion)).append(char(lockByte));
    appendLe16(out, r.current);
    out.append(char(r.productIndex >> 8)).append(char(r.productIndex));
    appendLe16(out, r.firmwareVersion);
    out.append(char(r.dimFunctionType)).append(char(r.userEolTime)).append(char(r.CLO_Enable));
    appendList(out, r.CLO_TimeList, CLO_POINTS);
    appendList(out, r.CLO_LevelList, CLO_POINTS);
    out.append(char(r.moduleOperationTime_mins));
    appendLe24(out, r.moduleOperationTime_hrs);
    appendLe24(out, r.driverOperationTime_hrs);
    out.append(char(r.driverOperationTime_mins)).append(char(r.OTP_Enable)).append(char(r.MTP_Enable));
    out.append(char(r.MTP_MinLevel));
    appendLe16(out, r.MTP_Start);
    appendLe16(out, r.MTP_End);
    appendLe16(out, r.MTP_Shutdown);
    out.append(char(r.LDP_MinDim));
    appendLe16(out, r.LDP_MaxAD);
    appendLe16(out, r.LDP_MinAD);
    appendLe16(out, r.LDP_Shutdown);
    out.append(char(r.analogDimMinLevel)).append(char(r.analogDimMaxLevel));
    out.append(char(r.analogDimStart)).append(char(r.analogDimEnd)).append(char(r.analogDimMode));
    appendList(out, r.TimeDimStepList, TIMER_STEPS);
    appendList(out, r.TimeDimLevelList, TIMER_STEPS);
    out.append(char(r.midnightOffset));
    appendList(out, r.TimeDimFadeTimeList, TIMER_STEPS);
    out.append(char(r.timerDimOverrideFadeTime));
    return out;
}

bool parse(const QByteArray& image, ProgDataStructDef& record, NfcTagInfo& info)
{
    ProgDataStructDef r = record;
    NfcTagInfo found = info;
    if (!decodeParameters(image, r, &found.lockByte))
        return false;
    const int markers = recognisedLayout(image);
    found.layoutRecognised = markers != 0;
    if (markers != 0)
        found.layout = quint8(markers);

    const int length = imageLength(r.productIndex, found.layout);
    if (image.size() < length)
        return false;
    int next = PARAMETER_BYTES;
    if (isFamilyProduct(r.productIndex)) {
        forEachFamilyField(r, found.layout, [&image, &next](quint8* data, int size) {
            std::memcpy(data, image.constData() + next, size_t(size));
            next += size;
        });
    }
    found.trailerCount = quint8(length - next);
    std::memcpy(r.tagTrailerBytes, image.constData() + next, found.trailerCount);

    record = r;
    info = found;
    return true;
}

QByteArray build(const ProgDataStructDef& write, const ProgDataStructDef& read, const NfcTagInfo& info,
                 const NfcProgrammableParts& parts)
{
    const bool family = isFamilyProduct(read.productIndex);
    if (family && !info.layoutRecognised)
        return QByteArray();

    // The tag's identity is never the user's to change.
    ProgDataStructDef params = write;
    params.tableVersion = read.tableVersion;
    params.productIndex = read.productIndex;
    params.firmwareVersion = read.firmwareVersion;
    QByteArray out = encodeParameters(params, info.lockByte);

    if (family) {
        QByteArray bytes = familyBytes(read, info.layout);
        const QByteArray wanted = familyBytes(write, info.layout);
        auto take = [&bytes, &wanted](int offset, int length) { bytes.replace(offset, length, wanted.mid(offset, length)); };
        if (parts.part251)
            take(0, BANK1_BYTES);
        if (info.layout == 3)
            take(BANK1_BYTES, SPECIFIC_BYTES);
        const int stretch = bankStretchStart(info.layout) - PARAMETER_BYTES;
        auto takeSpans = [&](bool on, const auto& spans) {
            if (on) {
                for (const Span& s : spans)
                    take(stretch + s.offset, s.length);
            }
        };
        takeSpans(parts.part250, PART250_SPANS);
        takeSpans(parts.part253, PART253_SPANS);
        takeSpans(parts.dt6, DT6_SPANS);
        out += bytes;
    }
    out.append(reinterpret_cast<const char*>(read.tagTrailerBytes), qMin<int>(info.trailerCount, sizeof read.tagTrailerBytes));
    return out;
}

} // namespace NfcTagImage
