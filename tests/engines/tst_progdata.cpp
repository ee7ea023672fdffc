#include "progdata.h"

#include <QtTest>

class TestProgData : public QObject
{
    Q_OBJECT
private slots:
    void newRecordIsAllZero();
    void startupDefaults();
    void listDefaultsTouchNothingElse();
    void mtpResistanceCode_data();
    void mtpResistanceCode();
};

namespace {

template <size_t N>
bool allBytes(const quint8 (&bytes)[N], quint8 value)
{
    for (quint8 b : bytes) {
        if (b != value)
            return false;
    }
    return true;
}

} // namespace

void TestProgData::newRecordIsAllZero()
{
    // Fill a buffer with 0xA5 first, so a field the constructor leaves alone would show.
    alignas(ProgDataStructDef) unsigned char storage[sizeof(ProgDataStructDef)];
    memset(storage, 0xA5, sizeof storage);
    auto* d = new (storage) ProgDataStructDef;

    QCOMPARE(d->current, quint16(0));
    QCOMPARE(d->productIndex, quint16(0));
    QCOMPARE(d->MTP_Start, quint16(0));
    QCOMPARE(d->moduleOperationTime_hrs, 0);
    QCOMPARE(d->midnightOffset, 0);
    QCOMPARE(d->LDP_Shutdown, quint16(0));
    QCOMPARE(d->timerDimOverrideFadeTime, quint8(0));
    QVERIFY(allBytes(d->bank1IDString, 0));
    QVERIFY(allBytes(d->bank3AreaLong, 0));
    QVERIFY(allBytes(d->bank204LoadSidePower, 0));
    QVERIFY(allBytes(d->DT6ExtraBlock, 0));
    QVERIFY(allBytes(d->DT6ExtraBytes2, 0));
    QVERIFY(allBytes(d->tagTrailerBytes, 0));
    QCOMPARE(d->DT6ShortAddress, quint8(0));
    QVERIFY(d->CLO_TimeList.isEmpty());
    QVERIFY(d->TimeDimFadeTimeList.isEmpty());
    d->~ProgDataStructDef();
}

void TestProgData::startupDefaults()
{
    ProgDataStructDef d;
    d.current = 700;
    d.LDP_Shutdown = 9;
    d.bank3AreaShort[4] = 7;
    setProgDataDefaults(d);

    QCOMPARE(d.current, quint16(0));
    QCOMPARE(d.LDP_Shutdown, quint16(0));
    QCOMPARE(d.bank3AreaShort[4], quint8(0));
    QCOMPARE(d.CLO_TimeList, (QList<int>{0, 10, 20, 40, 60, 80, 90, 100}));
    QCOMPARE(d.CLO_LevelList, (QList<int>{100, 100, 100, 100, 100, 100, 100, 100}));
    QCOMPARE(d.TimeDimStepList, (QList<int>{120, 130, 140, 150, 160}));
    QCOMPARE(d.TimeDimLevelList, (QList<int>{100, 80, 60, 70, 100}));
    QCOMPARE(d.TimeDimFadeTimeList, (QList<int>{1, 1, 1, 1, 1}));

    QVERIFY(allBytes(d.bank1GTIN, 0xFF));
    QVERIFY(allBytes(d.bank1ID, 0xFF));
    QCOMPARE(d.bank1CFID[0], quint8(0x00));
    QCOMPARE(d.bank1CFID[1], quint8(0x03));
    QCOMPARE(d.bank1YY, quint8(0xFF));
    QCOMPARE(d.bank1WW, quint8(0xFF));
    QVERIFY(allBytes(d.bank1Lm, 0xFF));
    QCOMPARE(d.bank1CRI, quint8(0xFF));
    QVERIFY(allBytes(d.bank1CCT, 0xFF));
    QCOMPARE(d.bank1LDT, quint8(0xFF));
    QVERIFY(allBytes(d.bank1ColorString, 0));
    QVERIFY(allBytes(d.bank1IDString, 0));
    QVERIFY(allBytes(d.bank1SpecificString, 0));
    QCOMPARE(d.bank201BPSS, quint8(1));
    QVERIFY(allBytes(d.bank205OperatingTime, 0));
    QVERIFY(allBytes(d.bank206OnTime, 0));
    QCOMPARE(d.bank207RatedLifetime, quint8(0xFF));
    QCOMPARE(d.bank207RefTemperature, quint8(0xFF));
    QVERIFY(allBytes(d.bank207RatedStart, 0xFF));
    QCOMPARE(d.DT6PowerOnLevel, quint8(254));
    QCOMPARE(d.DT6CurveType, quint8(0));
    QCOMPARE(d.DT6MinLevel, quint8(1));
    QCOMPARE(d.DT6MaxLevel, quint8(254));
    QCOMPARE(d.DT6SystemFailureLevel, quint8(254));
    QCOMPARE(d.DT6ShortAddress, quint8(255));
}

void TestProgData::listDefaultsTouchNothingElse()
{
    ProgDataStructDef d;
    d.current = 350;
    d.bank1GTIN[0] = 0x12;
    setProgDataListDefaults(d);
    QCOMPARE(d.current, quint16(350));
    QCOMPARE(d.bank1GTIN[0], quint8(0x12));
    QCOMPARE(d.DT6ShortAddress, quint8(0));
    QCOMPARE(d.TimeDimLevelList, (QList<int>{100, 80, 60, 70, 100}));
}

void TestProgData::mtpResistanceCode_data()
{
    QTest::addColumn<double>("kOhm");
    QTest::addColumn<int>("productIndex");
    QTest::addColumn<int>("code");

    // Newer products: the resistance in 10 Ohm units, to the nearest code.
    QTest::newRow("4.10 kOhm") << 4.10 << 100 << 410;
    QTest::newRow("6.5 kOhm") << 6.5 << 100 << 650;
    QTest::newRow("13.58 kOhm") << 13.58 << 120 << 1358;
    QTest::newRow("0.29 kOhm") << 0.29 << 150 << 29;
    QTest::newRow("1.15 kOhm") << 1.15 << 100 << 115;
    QTest::newRow("655.00 kOhm") << 655.00 << 100 << 65500;
    QTest::newRow("above 16 bits") << 700.0 << 100 << 65535;
    QTest::newRow("zero") << 0.0 << 100 << 0;
    QTest::newRow("negative") << -3.0 << 100 << 0;
    // Older products: ADC count of the 10 kOhm divider on 5 V.
    QTest::newRow("10 kOhm, product 99") << 10.0 << 99 << 512;
    QTest::newRow("30 kOhm, product 0") << 30.0 << 0 << 768;
    QTest::newRow("5 kOhm, product 12") << 5.0 << 12 << 342;
    QTest::newRow("negative, product 12") << -20.0 << 12 << 0;
}

void TestProgData::mtpResistanceCode()
{
    QFETCH(double, kOhm);
    QFETCH(int, productIndex);
    QFETCH(int, code);
    QCOMPARE(int(::mtpResistanceCode(kOhm, productIndex)), code);
}

QTEST_GUILESS_MAIN(TestProgData)
#include "tst_progdata.moc"
