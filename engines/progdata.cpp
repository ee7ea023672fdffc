#include "progdata.h"

#include <cmath>

namespace {

// NTC divider of the older drivers: 10 kOhm to 5 V, read by a 10-bit ADC at 0.00488 V per count.
constexpr double NTC_DIVIDER_KOHM = 10.0;
constexpr double NTC_SUPPLY_VOLT = 5.0;
constexpr double NTC_VOLT_PER_COUNT = 0.00488;
// Newer drivers store the resistance itself in units of 10 Ohm.
constexpr double NTC_CODE_PER_KOHM = 100.0;

template <size_t N>
void fill(quint8 (&bytes)[N], quint8 value)
{
    for (quint8& b : bytes)
        b = value;
}

} // namespace

void setProgDataListDefaults(ProgDataStructDef& data)
{
    data.CLO_TimeList = {0, 10, 20, 40, 60, 80, 90, 100};
    data.CLO_LevelList = {100, 100, 100, 100, 100, 100, 100, 100};
    data.TimeDimStepList = {120, 130, 140, 150, 160};
    data.TimeDimLevelList = {100, 80, 60, 70, 100};
    data.TimeDimFadeTimeList = {1, 1, 1, 1, 1};
}

void setProgDataDefaults(ProgDataStructDef& data)
{
    data = ProgDataStructDef();
    setProgDataListDefaults(data);

    // Bank 1 reads as unprogrammed until the luminaire data are entered.
    fill(data.bank1GTIN, 0xFF);
    fill(data.bank1ID, 0xFF);
    data.bank1CFID[0] = 0x00;
    data.bank1CFID[1] = 0x03;
    data.bank1YY = 0xFF;
    data.bank1WW = 0xFF;
    fill(data.bank1Power, 0xFF);
    fill(data.bank1MinPower, 0xFF);
    fill(data.bank1MinVoltage, 0xFF);
    fill(data.bank1MaxVoltage, 0xFF);
    fill(data.bank1Lm, 0xFF);
    data.bank1CRI = 0xFF;
    fill(data.bank1CCT, 0xFF);
    data.bank1LDT = 0xFF;

    data.bank201BPSS = 1;

    data.bank207RatedLifetime = 0xFF;
    data.bank207RefTemperature = 0xFF;
    fill(data.bank207RatedStart, 0xFF);

    data.DT6PowerOnLevel = 254;
    data.DT6CurveType = 0;
    data.DT6MinLevel = 1;
    data.DT6MaxLevel = 254;
    data.DT6SystemFailureLevel = 254;
    data.DT6ShortAddress = 255;
}

quint16 mtpResistanceCode(double kOhm, int productIndex)
{
    if (!(kOhm > 0.0)) // no resistance below zero; also keeps NaN out
        return 0;
    double code;
    if (productIndex >= FIRST_NEWER_PRODUCT)
        code = kOhm * NTC_CODE_PER_KOHM;
    else
        code = NTC_SUPPLY_VOLT * kOhm / (kOhm + NTC_DIVIDER_KOHM) / NTC_VOLT_PER_COUNT;
    const long rounded = std::lround(code);
    return rounded > 0xFFFF ? 0xFFFF : static_cast<quint16>(rounded);
}

double mtpResistanceKohm(int code, int productIndex)
{
    if (productIndex >= FIRST_NEWER_PRODUCT)
        return code / NTC_CODE_PER_KOHM;
    const double x = code * NTC_VOLT_PER_COUNT / NTC_SUPPLY_VOLT;
    return NTC_DIVIDER_KOHM * x / (1.0 - x);
}

QStringList recordDumpLines(const ProgDataStructDef& d, const QString& separator)
{
    QStringList lines;
    auto line = [&](const char* label, qint64 value) {
        lines << QLatin1String(label) + separator + QString::number(value);
    };
    auto list = [&line](const char* label, const QList<int>& values) {
        for (int v : values)
            line(label, v);
    };
    line("current", d.current);
    line("firmwareVersion", d.firmwareVersion);
    line("productIndex", d.productIndex);
    line("dimFunctionType", d.dimFunctionType);
    line("analogDimMode", d.analogDimMode);
    line("analogDimMinLevel", d.analogDimMinLevel);
    line("analogDimStart", d.analogDimStart);
    line("analogDimEnd", d.analogDimEnd);
    list("TimeDimStepList", d.TimeDimStepList);
    list("TimeDimLevelList", d.TimeDimLevelList);
    list("TimeDimFadeTimeList", d.TimeDimFadeTimeList);
    line("MTP_Enable", d.MTP_Enable);
    line("MTP_MinLevel", d.MTP_MinLevel);
    line("MTP_Start", d.MTP_Start);
    line("MTP_End", d.MTP_End);
    line("CLO_Enable", d.CLO_Enable);
    list("CLO_TimeList", d.CLO_TimeList);
    list("CLO_LevelList", d.CLO_LevelList);
    line("moduleOperationTime_mins", d.moduleOperationTime_mins);
    line("moduleOperationTime_hrs", d.moduleOperationTime_hrs);
    line("driverOperationTime_mins", d.driverOperationTime_mins);
    line("driverOperationTime_hrs", d.driverOperationTime_hrs);
    line("EOL_Enable", d.EOL_Enable);
    line("OTP_Enable", d.OTP_Enable);
    line("userEolTime", d.userEolTime);
    return lines;
}
