#include "dimcurve.h"

#include <QChartView>
#include <QDoubleSpinBox>
#include <QLineSeries>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

using namespace QtCharts;
using Points = QList<QPointF>;

class TestDimCurve : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<dimcurve::DimSettings>(); }
    void loadedValuesComeBackClamped_data();
    void loadedValuesComeBackClamped();
    void productAdaptation();
    void lockedModeKeepsTheLastReadSettings();
    void chartSeries_data();
    void chartSeries();
    void keys_data();
    void keys();

private:
    static dimcurve::DimSettings ok(dimcurve& d);
};

dimcurve::DimSettings TestDimCurve::ok(dimcurve& d)
{
    QSignalSpy spy(&d, &dimcurve::hideDialog);
    d.findChild<QPushButton*>("okButton")->click();
    if (spy.count() != 1)
        return dimcurve::DimSettings{-1, -1, -1, -1};
    return spy[0][0].value<dimcurve::DimSettings>();
}

void TestDimCurve::loadedValuesComeBackClamped_data()
{
    QTest::addColumn<bool>("widened");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("minLevel");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<int>("outMode");
    QTest::addColumn<int>("outMinLevel");
    QTest::addColumn<double>("outStart");
    QTest::addColumn<double>("outEnd");

    QTest::newRow("in range") << false << 0 << 30 << 7.5 << 2.0 << 0 << 30 << 7.5 << 2.0;
    QTest::newRow("any non-zero mode is min dim") << false << 7 << 20 << 8.0 << 1.0 << 1 << 20 << 8.0 << 1.0;
    QTest::newRow("level below the minimum") << false << 1 << 5 << 8.5 << 1.1 << 1 << 10 << 8.5 << 1.1;
    QTest::newRow("end below the range") << false << 1 << 10 << 8.5 << 0.3 << 1 << 10 << 8.5 << 0.5;
    QTest::newRow("start above the range") << false << 1 << 10 << 9.0 << 1.1 << 1 << 10 << 8.5 << 1.1;
    QTest::newRow("one decimal") << false << 1 << 10 << 8.5 << 1.26 << 1 << 10 << 8.5 << 1.3;
    QTest::newRow("both at 5 V") << false << 1 << 10 << 5.0 << 5.0 << 1 << 10 << 5.0 << 5.0;
    QTest::newRow("variant 4 end") << true << 1 << 10 << 8.5 << 0.3 << 1 << 10 << 8.5 << 0.7;
    QTest::newRow("variant 4 start") << true << 1 << 10 << 9.0 << 1.1 << 1 << 10 << 9.0 << 1.1;
    QTest::newRow("variant 4 start above") << true << 1 << 10 << 9.9 << 1.1 << 1 << 10 << 9.2 << 1.1;
}

void TestDimCurve::loadedValuesComeBackClamped()
{
    QFETCH(bool, widened);
    QFETCH(int, mode);
    QFETCH(int, minLevel);
    QFETCH(double, start);
    QFETCH(double, end);

    dimcurve d;
    if (widened)
        d.setVoltageLimits(9.2, 0.7);
    d.loadSettings(dimcurve::DimSettings{mode, minLevel, start, end});
    const dimcurve::DimSettings s = ok(d);
    QTEST(s.mode, "outMode");
    QTEST(s.minLevel, "outMinLevel");
    QTEST(s.startVoltage, "outStart");
    QTEST(s.endVoltage, "outEnd");
    QVERIFY(d.isHidden());
}

void TestDimCurve::productAdaptation()
{
    dimcurve d;
    const dimcurve::DimSettings fresh = ok(d);
    QCOMPARE(fresh.mode, 1);
    QCOMPARE(fresh.minLevel, 10);
    QCOMPARE(fresh.startVoltage, 8.5);
    QCOMPARE(fresh.endVoltage, 1.1);
    // The group box's title style must not spread to the fields inside it.
    for (const char* name : {"label_16", "minDimSpinBox", "minDimRadioButton"})
        QVERIFY2(d.findChild<QWidget*>(name)->font().pointSize() == 10, name);

    auto* off = d.findChild<QRadioButton*>("dimOffRadioButton");
    auto* min = d.findChild<QRadioButton*>("minDimRadioButton");
    auto* level = d.findChild<QSpinBox*>("minDimSpinBox");
    d.setModeEditable(0);
    QVERIFY(!off->isEnabled() && !min->isEnabled() && !level->isEnabled());
    d.setModeEditable(2);
    QVERIFY(!off->isEnabled() && !min->isEnabled() && !level->isEnabled());
    d.setModeEditable(1);
    QVERIFY(off->isEnabled() && min->isEnabled() && level->isEnabled());

    // A raised minimum clamps the level at once, and that change is what OK hands back.
    d.loadSettings(dimcurve::DimSettings{0, 10, 8.5, 1.1});
    d.setMinLevelMinimum(20);
    QCOMPARE(ok(d).minLevel, 20);

    d.show();
    d.setVoltageVisible(false);
    for (const char* name : {"startDimDoubleSpinBox", "endDimDoubleSpinBox", "maxDimVoltageLabel_2", "minDimVoltageLabel_2"})
        QVERIFY2(d.findChild<QWidget*>(name)->isHidden(), name);
    d.setVoltageVisible(true);
    for (const char* name : {"startDimDoubleSpinBox", "endDimDoubleSpinBox", "maxDimVoltageLabel_2", "minDimVoltageLabel_2"})
        QVERIFY2(!d.findChild<QWidget*>(name)->isHidden(), name);
}

void TestDimCurve::lockedModeKeepsTheLastReadSettings()
{
    dimcurve d;
    d.loadSettings(dimcurve::DimSettings{0, 30, 8.0, 1.0});
    auto* off = d.findChild<QRadioButton*>("dimOffRadioButton");
    auto* min = d.findChild<QRadioButton*>("minDimRadioButton");
    d.lockMinDimMode(false);
    QVERIFY(off->isChecked() && off->isEnabled());
    d.lockMinDimMode(true);
    QVERIFY(min->isChecked() && !off->isChecked());
    QVERIFY(!min->isEnabled() && !off->isEnabled());
    QCOMPARE(ok(d).mode, 0);
    // The next change reads the form again.
    d.findChild<QSpinBox*>("minDimSpinBox")->setValue(40);
    const dimcurve::DimSettings s = ok(d);
    QCOMPARE(s.mode, 1);
    QCOMPARE(s.minLevel, 40);
}

void TestDimCurve::chartSeries_data()
{
    QTest::addColumn<bool>("load");
    QTest::addColumn<dimcurve::DimSettings>("loaded");
    QTest::addColumn<QList<Points>>("lines");
    QTest::addColumn<Points>("markers"); // end knee, then start knee

    QTest::newRow("fresh") << false << dimcurve::DimSettings{}
                           << QList<Points>{{{0, 10}, {1.1, 10}, {8.5, 100}, {10, 100}}} << Points{{1.1, 10}, {8.5, 100}};
    // Off below the end voltage; the minimum level held from 0.5 V drawn as a second line.
    QTest::newRow("dim to off") << true << dimcurve::DimSettings{0, 30, 7.5, 2.0}
                                << QList<Points>{{{2, 0}, {2, 30}, {7.5, 100}, {10, 100}}, {{0.5, 0}, {0.5, 30}, {2, 30}}}
                                << Points{{2, 30}, {7.5, 100}};
    QTest::newRow("vertical rise at 5 V") << true << dimcurve::DimSettings{1, 20, 5.0, 5.0}
                                          << QList<Points>{{{0, 20}, {5, 20}, {5, 100}, {10, 100}}} << Points{{5, 20}, {5, 100}};
    // The chart draws what the form holds after clamping.
    QTest::newRow("clamped end") << true << dimcurve::DimSettings{0, 10, 8.5, 0.3}
                                 << QList<Points>{{{0.5, 0}, {0.5, 10}, {8.5, 100}, {10, 100}}, {{0.5, 0}, {0.5, 10}, {0.5, 10}}}
                                 << Points{{0.5, 10}, {8.5, 100}};
}

void TestDimCurve::chartSeries()
{
    QFETCH(bool, load);
    QFETCH(dimcurve::DimSettings, loaded);
    dimcurve d;
    d.findChild<QRadioButton*>("dimOffRadioButton")->click(); // one redraw before the one checked
    if (load)
        d.loadSettings(loaded);
    else
        d.findChild<QRadioButton*>("minDimRadioButton")->click();

    QList<Points> lines;
    Points markers;
    for (QAbstractSeries* s : d.findChild<QChartView*>("chartView")->chart()->series()) {
        if (auto* dot = qobject_cast<QScatterSeries*>(s))
            markers << dot->points();
        else
            lines << qobject_cast<QLineSeries*>(s)->points();
    }
    QTEST(lines, "lines");
    QTEST(markers, "markers");
}

void TestDimCurve::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("staysOpen");
    QTest::newRow("escape") << int(Qt::Key_Escape) << true;
    QTest::newRow("return") << int(Qt::Key_Return) << true;
    // The keypad's Enter is left to the dialog, which presses OK with it.
    QTest::newRow("enter") << int(Qt::Key_Enter) << false;
}

void TestDimCurve::keys()
{
    QFETCH(int, key);
    QFETCH(bool, staysOpen);
    dimcurve d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QSignalSpy spy(&d, &dimcurve::hideDialog);
    QTest::keyClick(&d, Qt::Key(key));
    QCOMPARE(d.isVisible(), staysOpen);
    QCOMPARE(spy.count(), staysOpen ? 0 : 1);
}

QTEST_MAIN(TestDimCurve)
#include "tst_dimcurve.moc"
