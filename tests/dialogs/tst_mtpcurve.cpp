#include "mtpcurve.h"

#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestMtpCurve : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<mtpcurve::MTPSettings>(); }
    void loadedValuesComeBackClamped_data();
    void loadedValuesComeBackClamped();
    void raisingTheEndPushesTheStart();
    void keysDoNotCloseIt_data();
    void keysDoNotCloseIt();
};

static mtpcurve::MTPSettings pressOk(mtpcurve& d)
{
    QSignalSpy spy(&d, &mtpcurve::hideDialog);
    d.findChild<QPushButton*>("okButton")->click();
    if (spy.count() != 1)
        return mtpcurve::MTPSettings{-1, -1, -1};
    return spy[0][0].value<mtpcurve::MTPSettings>();
}

void TestMtpCurve::loadedValuesComeBackClamped_data()
{
    QTest::addColumn<bool>("load");
    QTest::addColumn<int>("minLevel");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<int>("outMinLevel");
    QTest::addColumn<double>("outStart");
    QTest::addColumn<double>("outEnd");

    QTest::newRow("form defaults") << false << 0 << 0.0 << 0.0 << 50 << 6.0 << 5.0;
    QTest::newRow("in range") << true << 70 << 30.0 << 20.0 << 70 << 30.0 << 20.0;
    QTest::newRow("two decimals") << true << 10 << 12.345 << 4.001 << 10 << 12.35 << 4.0;
    QTest::newRow("end above its maximum") << true << 50 << 55.0 << 60.0 << 50 << 50.0 << 49.5;
    QTest::newRow("end below its minimum") << true << 50 << 6.0 << 0.1 << 50 << 6.0 << 0.2;
    QTest::newRow("level above 99") << true << 120 << 6.0 << 5.0 << 99 << 6.0 << 5.0;
    // The start is set while the old end still holds it up.
    QTest::newRow("lower start and end together") << true << 50 << 3.0 << 2.0 << 50 << 5.5 << 2.0;
}

void TestMtpCurve::loadedValuesComeBackClamped()
{
    QFETCH(bool, load);
    QFETCH(int, minLevel);
    QFETCH(double, start);
    QFETCH(double, end);

    mtpcurve d;
    if (load)
        d.loadSettings(mtpcurve::MTPSettings{minLevel, start, end});
    const mtpcurve::MTPSettings s = pressOk(d);
    QTEST(s.minLevel, "outMinLevel");
    QTEST(s.start, "outStart");
    QTEST(s.end, "outEnd");
    QVERIFY(d.isHidden());
}

void TestMtpCurve::raisingTheEndPushesTheStart()
{
    mtpcurve d;
    auto* start = d.findChild<QDoubleSpinBox*>("MTPStartDoubleSpinBox");
    auto* end = d.findChild<QDoubleSpinBox*>("MTPEndDoubleSpinBox");
    QCOMPARE(start->minimum(), 5.5);
    QCOMPARE(end->maximum(), 49.5);
    end->setValue(20.0);
    QCOMPARE(start->value(), 20.5);
    const mtpcurve::MTPSettings s = pressOk(d);
    QCOMPARE(s.start, 20.5);
    QCOMPARE(s.end, 20.0);
}

void TestMtpCurve::keysDoNotCloseIt_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("escape") << int(Qt::Key_Escape);
    QTest::newRow("return") << int(Qt::Key_Return);
    QTest::newRow("enter") << int(Qt::Key_Enter);
}

void TestMtpCurve::keysDoNotCloseIt()
{
    QFETCH(int, key);
    mtpcurve d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QSignalSpy spy(&d, &mtpcurve::hideDialog);
    QTest::keyClick(&d, Qt::Key(key));
    QVERIFY(d.isVisible());
    QCOMPARE(spy.count(), 0);
}

QTEST_MAIN(TestMtpCurve)
#include "tst_mtpcurve.moc"
