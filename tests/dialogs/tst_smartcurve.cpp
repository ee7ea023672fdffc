#include "smartcurve.h"

#include "globals.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

class TestSmartCurve : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void neverOpenedGivesTheDefaults();
    void scheduleComesBack_data();
    void scheduleComesBack();
    void settersAloneDoNotTouchTheForm();
    void levelsFollowThePhysicalMinimum_data();
    void levelsFollowThePhysicalMinimum();
    void keysDoNotCloseIt_data();
    void keysDoNotCloseIt();
};

using Ints = QList<int>;

static Ints durations(const smartcurve& d)
{
    Ints out;
    for (const smartcurve::ScheduleStep& s : d.steps())
        out << s.duration;
    return out;
}

static Ints levels(const smartcurve& d)
{
    Ints out;
    for (const smartcurve::ScheduleStep& s : d.steps())
        out << s.level;
    return out;
}

static void pressOk(smartcurve& d)
{
    QSignalSpy spy(&d, &smartcurve::hideDialog);
    d.findChild<QPushButton*>("okButton")->click();
    QCOMPARE(spy.count(), 1);
    QVERIFY(d.isHidden());
}

void TestSmartCurve::init()
{
    productList.clear();
    ProductRecord older;
    older.index = 0;
    ProductRecord minOnly;
    minOnly.index = 1;
    minOnly.driverFeature = 0x0800;
    productList << older << minOnly;
    for (int i = 2; i <= 100; ++i) {
        ProductRecord r;
        r.index = i;
        productList << r;
    }
    productPhyMinLevel = 0;
}

void TestSmartCurve::neverOpenedGivesTheDefaults()
{
    smartcurve d;
    QCOMPARE(durations(d), (Ints{40, 20, 10, 30, 20}));
    QCOMPARE(levels(d), (Ints{20, 50, 100, 50, 15}));
    QCOMPARE(d.fadeTimes(), (Ints{1, 1, 1, 1, 1}));
    QCOMPARE(d.midnightShift(), 0);
}

void TestSmartCurve::scheduleComesBack_data()
{
    QTest::addColumn<int>("productIndex");
    QTest::addColumn<int>("mode");
    QTest::addColumn<Ints>("durationsIn");
    QTest::addColumn<Ints>("durationsOut");
    QTest::addColumn<Ints>("fadeOut");
    QTest::addColumn<int>("shiftOut");

    QTest::newRow("fixed, hours") << 100 << 1 << Ints{120, 130, 140, 150, 160} << Ints{120, 130, 140, 150, 160}
                                  << Ints{1, 2, 3, 4, 5} << -30;
    QTest::newRow("fixed, 24 h at most") << 100 << 1 << Ints{255, 0, 1, 239, 240} << Ints{240, 0, 1, 239, 240}
                                         << Ints{1, 2, 3, 4, 5} << -30;
    QTest::newRow("ratio rescale") << 100 << 3 << Ints{40, 20, 10, 30, 20} << Ints{40, 20, 10, 30, 20}
                                   << Ints{1, 2, 3, 4, 5} << -30;
    QTest::newRow("midnight, start times") << 100 << 2 << Ints{0, 60, 120, 180, 239} << Ints{0, 60, 120, 180, 239}
                                           << Ints{1, 2, 3, 4, 5} << -30;
    // Older products count minutes, up to 240, and keep neither fade times nor shift from the form.
    QTest::newRow("older product, minutes") << 99 << 1 << Ints{255, 30, 60, 0, 240} << Ints{240, 30, 60, 0, 240}
                                            << Ints{1, 2, 3, 4, 5} << -30;
}

void TestSmartCurve::scheduleComesBack()
{
    QFETCH(int, productIndex);
    QFETCH(int, mode);
    QFETCH(Ints, durationsIn);

    smartcurve d;
    d.setMinDimLevel(productIndex);
    d.setMode(mode, 1);
    d.setLevels(Ints{100, 80, 0, 70, 100});
    d.setMidnightShift(-30);
    d.setFadeTimes(Ints{1, 2, 3, 4, 5});
    d.setDurations(durationsIn);
    pressOk(d);
    QTEST(durations(d), "durationsOut");
    QCOMPARE(levels(d), (Ints{100, 80, 0, 70, 100}));
    QTEST(d.fadeTimes(), "fadeOut");
    QTEST(d.midnightShift(), "shiftOut");
}

void TestSmartCurve::settersAloneDoNotTouchTheForm()
{
    smartcurve d;
    d.setMinDimLevel(100);
    d.setMode(1, 0);
    d.setLevels(Ints{90, 90, 90, 90, 90});
    d.setDurations(Ints{10, 10, 10, 10, 10});
    auto* level1 = d.findChild<QSpinBox*>("levelSpinBox_1");
    QVERIFY(!d.findChild<QSpinBox*>("fadetimeSpinBox_3")->isEnabled());
    d.setLevels(Ints{50, 50, 50, 50, 50});
    d.setMidnightShift(60);
    d.setFadeTimes(Ints{7, 7, 7, 7, 7});
    QCOMPARE(level1->value(), 90);
    QCOMPARE(d.findChild<QSpinBox*>("midnightShiftSpinBox")->value(), 0);
    // OK reads the form, so unapplied values are replaced by what it shows.
    pressOk(d);
    QCOMPARE(levels(d), (Ints{90, 90, 90, 90, 90}));
    QCOMPARE(d.midnightShift(), 0);
    QCOMPARE(d.fadeTimes(), (Ints{1, 1, 1, 1, 1}));
}

void TestSmartCurve::levelsFollowThePhysicalMinimum_data()
{
    QTest::addColumn<int>("productIndex");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<Ints>("levelsOut");

    QTest::newRow("dims to off") << 0 << 0 << Ints{0, 5, 20, 100, 10};
    QTest::newRow("minimum level only") << 1 << 20 << Ints{20, 20, 20, 100, 20};
    QTest::newRow("past the end of the list") << 500 << 0 << Ints{0, 5, 20, 100, 10};
}

void TestSmartCurve::levelsFollowThePhysicalMinimum()
{
    QFETCH(int, productIndex);
    QFETCH(int, minimum);
    productPhyMinLevel = 20;
    smartcurve d;
    d.setMinDimLevel(productIndex);
    QCOMPARE(d.findChild<QSpinBox*>("levelSpinBox_5")->minimum(), minimum);
    d.setMode(1, 1);
    d.setLevels(Ints{0, 5, 20, 100, 10});
    d.setDurations(Ints{10, 10, 10, 10, 10});
    pressOk(d);
    QTEST(levels(d), "levelsOut");
}

void TestSmartCurve::keysDoNotCloseIt_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("escape") << int(Qt::Key_Escape);
    QTest::newRow("return") << int(Qt::Key_Return);
    QTest::newRow("enter") << int(Qt::Key_Enter);
}

void TestSmartCurve::keysDoNotCloseIt()
{
    QFETCH(int, key);
    smartcurve d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QSignalSpy spy(&d, &smartcurve::hideDialog);
    QTest::keyClick(&d, Qt::Key(key));
    QVERIFY(d.isVisible());
    QCOMPARE(spy.count(), 0);
}

QTEST_MAIN(TestSmartCurve)
#include "tst_smartcurve.moc"
