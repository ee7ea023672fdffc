#include "shift_calculator.h"

#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QtTest>

class TestShiftCalculator : public QObject
{
    Q_OBJECT
private slots:
    void shiftIsMeanSolarMidnight_data();
    void shiftIsMeanSolarMidnight();
};

// Expected shifts worked out by hand from mean solar time: the sun needs 4 minutes per degree from
// the zone's meridian (15 degrees per hour of UTC offset), later west of it. Mean solar time does
// not change with the date, so neither does the shift; the latitude plays no part either.
void TestShiftCalculator::shiftIsMeanSolarMidnight_data()
{
    QTest::addColumn<double>("utc");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<QList<double>>("longitude"); // degrees (sign = east/west), minutes, seconds
    QTest::addColumn<int>("shift");
    QTest::addColumn<int>("shown");

    using L = QList<double>;
    // The site lies 15 - 4.9 = 10.1 degrees west of the 15 E meridian: solar midnight 40.4 min late.
    QTest::newRow("Amsterdam, 4 54 E, UTC+1") << 1.0 << 52.0 << L{4, 54, 0} << 40 << 40;
    // The site, 74.333 W, lies 0.667 degrees east of the 75 W meridian: 2.67 min early.
    QTest::newRow("74 20 W, UTC-5: sign on the whole angle") << -5.0 << 40.0 << L{-74, 20, 0} << -2 << -2;
    // 58.38167 W - 45 W = 13.38167 degrees west: 53.53 min late.
    QTest::newRow("Buenos Aires, 58 22 54 W, UTC-3") << -3.0 << -34.0 << L{-58, 22, 54} << 53 << 53;
    // 120 E - 116.4 E = 3.6 degrees west: 14.4 min late.
    QTest::newRow("Beijing, 116 24 E, UTC+8") << 8.0 << 39.0 << L{116, 24, 0} << 14 << 14;
    // 3.25 degrees east of Greenwich: exactly 13 min early, not 12 by rounding.
    QTest::newRow("3 15 E, UTC+0, whole minutes") << 0.0 << 51.0 << L{3, 15, 0} << -13 << -13;
    // 60 degrees west of the UTC+4 meridian: 240 min, beyond what the smart timer takes.
    QTest::newRow("Greenwich, UTC+4") << 4.0 << 51.0 << L{0, 0, 0} << 240 << 120;
}

void TestShiftCalculator::shiftIsMeanSolarMidnight()
{
    QFETCH(double, utc);
    QFETCH(double, latitude);
    QFETCH(QList<double>, longitude);

    shift_calculator c;
    QCOMPARE(c.shiftMinutes(), 0);
    auto box = [&c](const char* name) { return c.findChild<QDoubleSpinBox*>(name); };
    box("utcSpinBox")->setValue(utc);
    box("longDegreeSpinBox")->setValue(longitude[0]);
    box("longMinuteSpinBox")->setValue(longitude[1]);
    box("longSecondSpinBox")->setValue(longitude[2]);
    box("latDegreeSpinBox")->setValue(latitude); // last, so that every row recalculates
    QTEST(c.shiftMinutes(), "shift");
    QTEST(c.findChild<QSpinBox*>("calculatedShiftTimeSpinBox")->value(), "shown");
}

QTEST_MAIN(TestShiftCalculator)
#include "tst_shift_calculator.moc"
