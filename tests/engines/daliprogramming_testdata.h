#ifndef DALIPROGRAMMING_TESTDATA_H
#define DALIPROGRAMMING_TESTDATA_H

// Bank contents, records and command lists shared by the DALI programming tests, written out
// by hand as a protocol trace would show them.

#include "daliprogramming.h"
#include "enginewiring.h"
#include "globals.h"
#include "progdata.h"

#include <QByteArray>
#include <QSignalSpy>
#include <QStringList>
#include <QtTest>

inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Memory bank 2 of a current driver: last address 73, every parameter set apart from the
// engine's start values.
inline QByteArray bank73()
{
    return hex("49 03 FF"                  // 0-2 last address, table version, lock
               "BC 02 00 78 05 01"         // 3-8 current 700 LE, product 120 BE, firmware 1.05 LE
               "82 32 01"                  // 9-11 override + midnight timer, EOL 50 kh, CLO on
               "00 0B 15 29 3D 51 5B 65"   // 12-19 CLO times
               "64 63 62 61 60 5F 5E 5D"   // 20-27 CLO levels
               "1E 45 23 01"               // 28-31 module minutes 30, hours 0x012345
               "00 01 02 05"               // 32-35 driver hours 0x020100, minutes 5
               "01 02 28 4E 05 9A 01"      // 36-42 OTP, MTP 2, min 40 %, start 1358, end 410
               "11 12 13 14 15 16 17 18 19" // 43-51 not transferred
               "0A 64 5A 0A 01"            // 52-56 0-10V min 10, max 100, 9.0 V, 1.0 V, mode 1
               "79 83 8D 97 A1"            // 57-61 step durations
               "63 4F 3B 45 63"            // 62-66 step levels
               "E2"                        // 67 midnight offset -30
               "01 02 03 04 05"            // 68-72 fade times
               "07");                      // 73 override fade time
}

inline QByteArray withLastAddress(QByteArray bank, int last)
{
    bank = bank.left(last + 1);
    bank[0] = char(last);
    return bank;
}

// Old table layout: current 350 at 3-4, product code A at 5-6, code B at 65-66, 0x33 elsewhere.
inline QByteArray oldLayoutBank(const char* codeA, const char* codeB)
{
    return hex("47 01 FF 5E 01") + hex(codeA) + QByteArray(58, char(0x33)) + hex(codeB) + QByteArray(5, char(0x33));
}

inline ProgDataStructDef engineStartRecord()
{
    ProgDataStructDef d;
    d.TimeDimStepList = {120, 130, 140, 150, 160};
    d.TimeDimLevelList = {100, 80, 60, 70, 100};
    d.TimeDimFadeTimeList = {1, 1, 1, 1, 1};
    d.CLO_TimeList = {0, 10, 20, 40, 60, 80, 90, 100};
    d.CLO_LevelList = {100, 100, 100, 100, 100, 100, 100, 100};
    return d;
}

// What a read of bank73() must give, up to the given last address.
inline ProgDataStructDef bank73Record(int lastAddress)
{
    ProgDataStructDef d = engineStartRecord();
    d.current = 700;
    d.productIndex = 120;
    d.firmwareVersion = 0x0105;
    d.dimFunctionType = 0x82;
    d.userEolTime = 50;
    d.EOL_Enable = 1;
    d.CLO_Enable = 1;
    d.CLO_TimeList = {0, 11, 21, 41, 61, 81, 91, 101};
    d.CLO_LevelList = {100, 99, 98, 97, 96, 95, 94, 93};
    d.moduleOperationTime_mins = 30;
    d.moduleOperationTime_hrs = 74565;
    d.driverOperationTime_hrs = 131328;
    d.OTP_Enable = 1;
    d.MTP_Enable = 1;
    d.MTP_MinLevel = 40;
    d.MTP_Start = 1358;
    if (lastAddress == 40)
        return d;
    d.MTP_End = 410;
    d.analogDimMinLevel = 10;
    d.analogDimMaxLevel = 100;
    d.analogDimStart = 90;
    d.analogDimEnd = 10;
    d.analogDimMode = 1;
    d.TimeDimStepList = {121, 131, 141, 151, 161};
    d.TimeDimLevelList = {99, 79, 59, 69, 99};
    d.midnightOffset = -30;
    d.TimeDimFadeTimeList = {1, 2, 3, 4, 5};
    return d;
}

inline void compareRecords(const ProgDataStructDef& a, const ProgDataStructDef& e)
{
    QCOMPARE(a.current, e.current);
    QCOMPARE(a.firmwareVersion, e.firmwareVersion);
    QCOMPARE(a.productIndex, e.productIndex);
    QCOMPARE(a.dimFunctionType, e.dimFunctionType);
    QCOMPARE(a.analogDimMode, e.analogDimMode);
    QCOMPARE(a.analogDimMinLevel, e.analogDimMinLevel);
    QCOMPARE(a.analogDimMaxLevel, e.analogDimMaxLevel);
    QCOMPARE(a.analogDimStart, e.analogDimStart);
    QCOMPARE(a.analogDimEnd, e.analogDimEnd);
    QCOMPARE(a.TimeDimStepList, e.TimeDimStepList);
    QCOMPARE(a.TimeDimLevelList, e.TimeDimLevelList);
    QCOMPARE(a.TimeDimFadeTimeList, e.TimeDimFadeTimeList);
    QCOMPARE(a.MTP_Enable, e.MTP_Enable);
    QCOMPARE(a.MTP_MinLevel, e.MTP_MinLevel);
    QCOMPARE(a.MTP_MaxLevel, e.MTP_MaxLevel);
    QCOMPARE(a.MTP_Start, e.MTP_Start);
    QCOMPARE(a.MTP_End, e.MTP_End);
    QCOMPARE(a.MTP_Shutdown, e.MTP_Shutdown);
    QCOMPARE(a.CLO_Enable, e.CLO_Enable);
    QCOMPARE(a.CLO_TimeList, e.CLO_TimeList);
    QCOMPARE(a.CLO_LevelList, e.CLO_LevelList);
    QCOMPARE(a.moduleOperationTime_mins, e.moduleOperationTime_mins);
    QCOMPARE(a.moduleOperationTime_hrs, e.moduleOperationTime_hrs);
    QCOMPARE(a.driverOperationTime_mins, e.driverOperationTime_mins);
    QCOMPARE(a.driverOperationTime_hrs, e.driverOperationTime_hrs);
    QCOMPARE(a.EOL_Enable, e.EOL_Enable);
    QCOMPARE(a.OTP_Enable, e.OTP_Enable);
    QCOMPARE(a.userEolTime, e.userEolTime);
    QCOMPARE(a.midnightOffset, e.midnightOffset);
    QCOMPARE(a.tableVersion, e.tableVersion);
    QCOMPARE(a.LDP_MinDim, e.LDP_MinDim);
    QCOMPARE(a.timerDimOverrideFadeTime, e.timerDimOverrideFadeTime);
}

inline const QStringList FULL_PROGRESS = {
    "0 Reading output current... 0",
    "0 Reading product SN... 1",
    "0 Reading firmware version... 2",
    "0 Reading dimming type... 3",
    "0 Reading EOL function... 4",
    "0 Reading constant lumen output... 5",
    "0 Reading module operatiing time... 6",
    "0 Reading driver operating time... 7",
    "0 Reading OTP function... 8",
    "0 Reading thermal derating... 9",
    "0 Reading 0-10V dimming parameters... 10",
    "0 Reading smart timer dimming parameters... 11",
    "2 Driver information read complete. 12",
};

// The record the programming tests write: product 120, every byte distinct from its neighbours.
inline ProgDataStructDef recordToProgram(int productIndex, int current)
{
    ProgDataStructDef d = engineStartRecord();
    d.productIndex = quint16(productIndex);
    d.current = quint16(current);
    d.dimFunctionType = 7;
    d.userEolTime = 60;
    d.EOL_Enable = 1;
    d.CLO_Enable = 1;
    d.CLO_TimeList = {0, 12, 24, 36, 48, 60, 72, 84};
    d.CLO_LevelList = {100, 98, 96, 94, 92, 90, 88, 86};
    d.moduleOperationTime_mins = 15;
    d.moduleOperationTime_hrs = 0xABCDEF;
    d.OTP_Enable = 1;
    d.MTP_Enable = 1;
    d.MTP_MinLevel = 30;
    d.MTP_Start = 2700;
    d.MTP_End = 500;
    d.analogDimMinLevel = 5;
    d.analogDimMaxLevel = 90;
    d.analogDimStart = 95;
    d.analogDimEnd = 15;
    d.analogDimMode = 1;
    d.TimeDimStepList = {10, 20, 30, 40, 50};
    d.TimeDimLevelList = {100, 75, 50, 25, 10};
    d.midnightOffset = -30;
    d.TimeDimFadeTimeList = {1, 2, 4, 8, 16};
    return d;
}

// A driver of product 120 whose bank 2 holds 0xEE wherever nothing is programmed.
inline QByteArray blankBank(int last = 73)
{
    QByteArray b = hex("00 03 FF") + QByteArray(last - 2, char(0xEE));
    b[0] = char(last);
    b[5] = 0x00;
    b[6] = 0x78;
    return b;
}

inline const char* const FULL_PROGRAM_COMMANDS =
    "273:2 257:2 129:0 275:85 "
    "273:2 257:3 275:26 275:4 "
    "273:2 257:9 275:7 275:60 275:1 275:0 275:12 275:24 275:36 275:48 275:60 275:72 275:84 275:100 275:98 "
    "275:96 275:94 275:92 275:90 275:88 275:86 275:15 275:239 275:205 275:171 "
    "273:2 257:36 275:1 275:1 275:30 275:140 275:10 275:244 275:1 "
    "273:2 257:52 275:5 275:0 275:95 275:15 275:1 275:10 275:20 275:30 275:40 275:50 275:100 275:75 275:50 "
    "275:25 275:10 275:226 275:1 275:2 275:4 275:8 275:16";

inline const char* const FULL_PROGRAM_BANK =
    "49 03 55 1A 04 00 78 EE EE"
    "07 3C 01 00 0C 18 24 30 3C 48 54 64 62 60 5E 5C 5A 58 56 0F EF CD AB"
    "EE EE EE EE"
    "01 01 1E 8C 0A F4 01"
    "EE EE EE EE EE EE EE EE EE"
    "05 00 5F 0F 01 0A 14 1E 28 32 64 4B 32 19 0A E2 01 02 04 08 10"
    "EE";

inline QStringList split(const char* commands)
{
    return QString(commands).split(' ', Qt::SkipEmptyParts);
}


// Products 0-149, each with nothing but its index.
inline void setBareProductList()
{
    productList.clear();
    for (int i = 0; i < 150; ++i) {
        ProductRecord r;
        r.index = i;
        productList.append(r);
    }
}

// The first argument of every signal the spy caught: programming states, connection changes.
inline QList<int> firstArguments(const QSignalSpy& spy)
{
    QList<int> l;
    for (const QList<QVariant>& a : spy)
        l << a.at(0).toInt();
    return l;
}

// "state text step" of every productInfoReadUpdateSignal the spy caught.
inline QStringList readUpdates(const QSignalSpy& spy)
{
    QStringList l;
    for (const QList<QVariant>& a : spy)
        l << QString("%1 %2 %3").arg(a.at(0).toInt()).arg(a.at(1).toString()).arg(a.at(2).toInt());
    return l;
}

#endif // DALIPROGRAMMING_TESTDATA_H
