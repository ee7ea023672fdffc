#ifndef PRODUCTRECORD_H
#define PRODUCTRECORD_H

#include <QString>

// One driver model of "Product List.txt"; a record's position in productList equals its index.
struct ProductRecord
{
    int index = 0;
    QString name;
    int field2 = 0;
    int maxCurrent = 0;       // mA
    int minCurrent = 0;       // mA
    int field5 = 0;
    float phyMinLevel = 0.0f; // %
    float maxVoltage = 0.0f;  // V
    float minVoltage = 0.0f;  // V
    int analogVariant = 0;    // 4 narrows the 0-10V dim voltage ranges
    unsigned int driverFeature = 0; // DF_ bits below
};

// Bits of ProductRecord::driverFeature: what the driver model offers.
constexpr unsigned int DF_DALI = 0x0001;
constexpr unsigned int DF_0_10V = 0x0002;
constexpr unsigned int DF_SMART_FIXED = 0x0004;
constexpr unsigned int DF_SMART_MIDNIGHT = 0x0008;
constexpr unsigned int DF_SMART_RATIO = 0x0010;
constexpr unsigned int DF_SMART_ANY = DF_SMART_FIXED | DF_SMART_MIDNIGHT | DF_SMART_RATIO;
constexpr unsigned int DF_PWM = 0x0020;
constexpr unsigned int DF_PUSH_DIM = 0x0040;
constexpr unsigned int DF_OVERRIDE = 0x0080;
constexpr unsigned int DF_EOL = 0x0100;
constexpr unsigned int DF_CLO = 0x0200;
constexpr unsigned int DF_MTP = 0x0400;
constexpr unsigned int DF_DIM_TO_MIN_ONLY = 0x0800; // the 0-10V input dims down to the minimum, never off
constexpr unsigned int DF_CORRIDOR = 0x1000;
constexpr unsigned int DF_STEP_FADE_TIMES = 0x2000;
constexpr unsigned int DF_0_10V_LOCKED = 0x4000;
constexpr unsigned int DF_NO_0_10V_VOLTAGES = 0x8000;

#endif // PRODUCTRECORD_H
