#include "progdata.h"

#include <cmath>

namespace {

// NTC divider of the older drivers: 10 kOhm to 5 V, read by a 10-bit ADC at 0.00488 V per count.
constexpr double NTC_DIVIDER_KOHM = 10.0;
constexpr double NTC_SUPPLY_VOLT = 5.0;
constexpr double NTC_VOLT_PER_COUNT = 0.00488;
// Newer drivers store the resistance itself in units of 10 Ohm.
constexpr double NTC_CODE_PER_KOHM = 100.0;
constexpr int NEWER_PRODUCT_INDEX = 100;

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
    if (productIndex >= NEWER_PRODUCT_INDEX)
        code = kOhm * NTC_CODE_PER_KOHM;
    else
        code = NTC_SUPPLY_VOLT * kOhm / (kOhm + NTC_DIVIDER_KOHM) / NTC_VOLT_PER_COUNT;
    const long rounded = std::lround(code);
    return rounded > 0xFFFF ? 0xFFFF : static_cast<quint16>(rounded);
}
