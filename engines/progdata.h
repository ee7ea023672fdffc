#ifndef PROGDATA_H
#define PROGDATA_H

#include <QList>
#include <QStringList>
#include <QtGlobal>

// Every setting of one LED driver as it travels through the system: collected by the Programming
// tab, written into a driver by an engine, filled by a read, stored in a profile, edited by the
// DALI memory-bank dialogs. A plain value record: every holder keeps its own copy, and the five
// lists are shared between copies until one side changes them.
//
// Every field starts at zero and every list empty, so nothing undefined can ever reach a driver
// or a tag even when a holder forgets to fill a field; setProgDataDefaults() gives the window's
// start-up values.
//
// Multi-byte values inside the byte arrays are most significant byte first, as on the DALI bus;
// the scalar fields are native integers.
struct ProgDataStructDef
{
    // Driver parameters; most mirror a byte of the driver's DALI memory bank 2.
    quint16 current = 0;         // output current, mA
    quint16 firmwareVersion = 0; // high byte major, low byte minor: 0x0105 reads "1.05"
    quint16 productIndex = 0;    // line of the driver's model in the product list
    quint8 dimFunctionType = 0;  // low nibble the dimming function, bit 0x80 smart timer override
    quint8 analogDimMode = 0;    // 0 dim to off, non-zero dim to the minimum level
    quint8 analogDimMinLevel = 0; // %
    quint8 analogDimMaxLevel = 0; // %
    quint16 analogDimStart = 0;  // 0.1 V
    quint16 analogDimEnd = 0;    // 0.1 V
    QList<int> TimeDimStepList;  // five step durations, units of 6 minutes (corridor: hold / 10, release / 10)
    QList<int> TimeDimLevelList; // five step levels, % (corridor: turn-on level, release level)
    QList<int> TimeDimFadeTimeList; // five fade times, s (corridor: turn-on fade, release fade)
    quint8 MTP_Enable = 0;
    quint8 MTP_MinLevel = 0;     // %
    quint8 MTP_MaxLevel = 0;
    quint16 MTP_Start = 0;       // encoded by product, see mtpResistanceCode()
    quint16 MTP_End = 0;         // encoded as MTP_Start
    quint16 MTP_Shutdown = 0;
    quint8 CLO_Enable = 0;
    QList<int> CLO_TimeList;     // eight curve points, operating time in kHours
    QList<int> CLO_LevelList;    // eight curve points, output level in %
    quint8 moduleOperationTime_mins = 0;
    qint32 moduleOperationTime_hrs = 0;
    quint8 driverOperationTime_mins = 0;
    qint32 driverOperationTime_hrs = 0;
    quint8 EOL_Enable = 0;
    quint8 OTP_Enable = 0;
    quint8 userEolTime = 0;      // kHours; 0 while EOL is off
    qint32 midnightOffset = 0;   // minutes, signed
    quint8 tableVersion = 0;     // parameter table version of the driver
    quint8 LDP_MinDim = 0;
    quint16 LDP_MaxAD = 0;
    quint16 LDP_MinAD = 0;
    quint16 LDP_Shutdown = 0;
    quint8 timerDimOverrideFadeTime = 0;

    // Memory bank 1: luminaire data.
    quint8 bank1GTIN[6] = {};
    quint8 bank1ID[8] = {};
    quint8 bank1CFID[2] = {};
    quint8 bank1YY = 0;
    quint8 bank1WW = 0;
    quint8 bank1Power[2] = {};
    quint8 bank1MinPower[2] = {};
    quint8 bank1MinVoltage[2] = {};
    quint8 bank1MaxVoltage[2] = {};
    quint8 bank1Lm[3] = {};
    quint8 bank1CRI = 0;
    quint8 bank1CCT[2] = {};
    quint8 bank1LDT = 0;
    quint8 bank1ColorString[24] = {};    // Latin-1, zero-filled
    quint8 bank1IDString[60] = {};       // Latin-1, zero-filled
    quint8 bank1SpecificString[24] = {}; // Latin-1, zero-filled

    // Tag areas carried unchanged from a read to the next write.
    quint8 tagExtraBytes[8] = {};
    quint8 bank3AreaShort[30] = {};
    quint8 bank3AreaLong[66] = {};

    // Memory banks 201 to 207.
    quint8 bank201BPSS = 0; // bus power supply: 0 disabled, 1 enabled
    quint8 bank202ActiveEnergy[6] = {};
    quint8 bank202ActivePowerScaleFactor = 0;
    quint8 bank202ActivePower[4] = {};
    quint8 bank203ApparentEnergy[6] = {};
    quint8 bank203ApparentPowerScaleFactor = 0;
    quint8 bank203ApparentPower[4] = {};
    quint8 bank204LoadSideEnergy[6] = {};
    quint8 bank204LoadSidePowerScaleFactor = 0;
    quint8 bank204LoadSidePower[4] = {};
    quint8 bank205OperatingTime[4] = {};
    quint8 bank205StartCounter[3] = {};
    quint8 bank205ExtSupplyVoltage[2] = {};
    quint8 bank205ExtSupplyFreq = 0;
    quint8 bank205PF = 0;
    quint8 bank205OverallFailureCondition = 0;
    quint8 bank205OverallFailureConditionCounter = 0;
    quint8 bank205ExtUnderVoltage = 0;
    quint8 bank205ExtUnderVoltageCounter = 0;
    quint8 bank205ExtOverVoltage = 0;
    quint8 bank205ExtOverVoltageCounter = 0;
    quint8 bank205PowerLimit = 0;
    quint8 bank205PowerLimitCounter = 0;
    quint8 bank205ThermalDerating = 0;
    quint8 bank205ThermalDeratingCounter = 0;
    quint8 bank205ThermalShuntdown = 0;
    quint8 bank205ThermalShuntdownCounter = 0;
    quint8 bank205Temperature = 0;
    quint8 bank205CurrentPercent = 0;
    quint8 bank206StartCounterResettable[3] = {};
    quint8 bank206StartCounter[3] = {};
    quint8 bank206OnTimeResettable[4] = {};
    quint8 bank206OnTime[4] = {};
    quint8 bank206Voltage[2] = {};
    quint8 bank206Current[2] = {};
    quint8 bank206FailureCondition = 0;
    quint8 bank206FailureConditionCounter = 0;
    quint8 bank206SCP = 0;
    quint8 bank206SCPCounter = 0;
    quint8 bank206OCP = 0;
    quint8 bank206OCPCounter = 0;
    quint8 bank206MTP = 0;
    quint8 bank206MTPCounter = 0;
    quint8 bank206MTPShutdown = 0;
    quint8 bank206MTPShutdownCounter = 0;
    quint8 bank206Temperature = 0;
    quint8 bank207RatedLifetime = 0;
    quint8 bank207RefTemperature = 0;
    quint8 bank207RatedStart[2] = {};

    // DALI device type 6 variables and the tag bytes around them.
    quint8 DT6PowerOnLevel = 0;
    quint8 DT6CurveType = 0; // 0 logarithmic, 1 linear
    quint8 DT6MinLevel = 0;
    quint8 DT6MaxLevel = 0;
    quint8 DT6ExtraByte = 0;
    quint8 DT6ExtraBlock[16] = {};
    quint8 DT6SystemFailureLevel = 0;
    quint8 DT6ExtraBytes1[2] = {};
    quint8 DT6ShortAddress = 0; // 2n + 1 for short address n, 255 = no address (MASK)
    quint8 DT6ExtraBytes2[9] = {};
    quint8 tagTrailerBytes[4] = {};
};

// The window's start-up values: every driver parameter 0, the smart timer and CLO lists at their
// default curves, bank 1 unprogrammed (0xFF) with content format ID 3, bus power supply on,
// banks 205 and 206 zero, bank 207 unprogrammed, the DT6 variables at their DALI reset values.
// Fields without a start-up value are set to zero.
void setProgDataDefaults(ProgDataStructDef& data);

// Only the five lists get their default curves; every other field is left as it is. This is what
// a programming engine gives its own record when it is constructed.
void setProgDataListDefaults(ProgDataStructDef& data);

// Product index from which a driver is of the newer generation: it speaks the USB tool's newer
// command set, stores the EOL time and its MTP resistances in 10-Ohm units.
constexpr int FIRST_NEWER_PRODUCT = 100;

// MTP_Start / MTP_End code for an NTC resistance of kOhm, by product generation:
// product index 0..99: ADC count of the NTC in a 10 kOhm divider on 5 V (0.00488 V per count);
// product index 100 and above: the resistance in units of 10 Ohm.
// Both are rounded to the nearest code, so 4.10 kOhm gives 410 although 4.10 x 100 is slightly
// below 410 in binary floating point. The result is clamped to 0..65535.
quint16 mtpResistanceCode(double kOhm, int productIndex);
// The resistance in kOhm a code stands for; an older driver's count of 1025 or more has no
// resistance and comes out negative.
double mtpResistanceKohm(int code, int productIndex);

// The record as "label" + separator + value lines, one line per list element.
QStringList recordDumpLines(const ProgDataStructDef& d, const QString& separator);

#endif // PROGDATA_H
