#include "corridor_curve.h"

#include <QAreaSeries>
#include <QChartView>
#include <QCheckBox>
#include <QLineSeries>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

using namespace QtCharts;

class TestCorridorCurve : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<corridor_curve::CorridorSettings>(); }
    void loadedValuesComeBack_data();
    void loadedValuesComeBack();
    void infinityBoxKeepsTheSeconds_data();
    void infinityBoxKeepsTheSeconds();
    void pairsStayInStep_data();
    void pairsStayInStep();
    void chartProfile_data();
    void chartProfile();
    void keys_data();
    void keys();
};

using Six = QList<int>;

static corridor_curve::CorridorSettings settingsOf(const Six& v)
{
    return corridor_curve::CorridorSettings{v[0], v[1], v[2], v[3], v[4], v[5]};
}

static Six pressOk(corridor_curve& d)
{
    QSignalSpy spy(&d, &corridor_curve::hideDialog);
    d.findChild<QPushButton*>("okButton")->click();
    if (spy.count() != 1)
        return Six();
    const auto s = spy[0][0].value<corridor_curve::CorridorSettings>();
    return Six{s.turnOnLevel, s.releaseLevel, s.turnOnFadeTime, s.releaseFadeTime, s.holdTime, s.releaseTime};
}

void TestCorridorCurve::loadedValuesComeBack_data()
{
    // turn-on level, release level, turn-on fade, release fade, hold s, release s
    QTest::addColumn<Six>("loaded");
    QTest::addColumn<Six>("handedBack");
    QTest::addColumn<bool>("infinite");
    QTest::addColumn<int>("releaseShown");

    QTest::newRow("plain") << Six{80, 20, 3, 5, 120, 300} << Six{80, 20, 3, 5, 120, 300} << false << 300;
    QTest::newRow("infinite release") << Six{100, 10, 0, 0, 50, 10000} << Six{100, 10, 0, 0, 50, 10000} << true << 1;
    QTest::newRow("9999 is finite and clamped") << Six{100, 10, 0, 0, 50, 9999} << Six{100, 10, 0, 0, 50, 2550}
                                                << false << 2550;
    QTest::newRow("infinite loses the remainder") << Six{100, 10, 0, 0, 50, 123456}
                                                  << Six{100, 10, 0, 0, 50, 120000} << true << 12;
    QTest::newRow("levels and fades clamp") << Six{150, 101, 300, 256, 3000, 0} << Six{100, 100, 255, 255, 2550, 0}
                                            << false << 0;
}

void TestCorridorCurve::loadedValuesComeBack()
{
    QFETCH(Six, loaded);
    QFETCH(bool, infinite);
    QFETCH(int, releaseShown);

    corridor_curve d;
    d.loadSettings(settingsOf(loaded));
    auto* release = d.findChild<QSpinBox*>("corridorReleaseTimeSpinBox_1");
    QCOMPARE(d.findChild<QCheckBox*>("infinityCheckBox_1")->isChecked(), infinite);
    QCOMPARE(release->isEnabled(), !infinite);
    QCOMPARE(release->value(), releaseShown);
    QTEST(pressOk(d), "handedBack");
    QVERIFY(d.isHidden());
}

void TestCorridorCurve::infinityBoxKeepsTheSeconds_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("encoded");
    QTest::newRow("50 s") << 50 << 500000;
    // 0 x 10000 is still 0: the flag alone keeps it infinite.
    QTest::newRow("0 s") << 0 << 0;
}

void TestCorridorCurve::infinityBoxKeepsTheSeconds()
{
    QFETCH(int, seconds);
    QFETCH(int, encoded);
    corridor_curve d;
    QSignalSpy spy(&d, &corridor_curve::hideDialog);
    auto handedBack = [&] {
        d.findChild<QPushButton*>("okButton")->click();
        return spy.takeLast().at(0).value<corridor_curve::CorridorSettings>();
    };
    d.loadSettings(settingsOf(Six{100, 10, 0, 0, 50, seconds}));
    auto* box = d.findChild<QCheckBox*>("infinityCheckBox_1");
    auto* slider = d.findChild<QSlider*>("corridorReleaseTimeSlider");
    box->click();
    QVERIFY(!d.findChild<QSpinBox*>("corridorReleaseTimeSpinBox_1")->isEnabled());
    QVERIFY(!slider->isEnabled());
    QCOMPARE(slider->value(), 254);
    corridor_curve::CorridorSettings s = handedBack();
    QCOMPARE(s.releaseTime, encoded);
    QVERIFY(s.infiniteRelease);

    d.loadSettings(s);
    s = handedBack();
    QCOMPARE(s.releaseTime, encoded);
    QVERIFY(s.infiniteRelease);
    box->click();
    QCOMPARE(slider->value(), seconds / 10);
    s = handedBack();
    QCOMPARE(s.releaseTime, seconds);
    QVERIFY(!s.infiniteRelease);
}

void TestCorridorCurve::pairsStayInStep_data()
{
    QTest::addColumn<QString>("edited");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("finish");
    QTest::addColumn<QString>("partner");
    QTest::addColumn<int>("partnerValue");
    QTest::addColumn<int>("editedAfter");
    QTest::addColumn<Six>("handedBack");

    const QString holdBox = "corridorHoldTimeSpinBox_1", holdSlider = "corridorHoldTimeSlider";
    QTest::newRow("level slider") << "corridorTurnOnLevelSlider" << 40 << false << "corridorTurnOnLevelSpinBox_1" << 40 << 40
                                  << Six{40, 10, 3, 5, 120, 300};
    QTest::newRow("release fade box") << "corridorReleaseFadeTimeSpinBox_1" << 200 << false << "corridorReleaseFadeTimeSlider"
                                      << 200 << 200 << Six{80, 10, 3, 200, 120, 300};
    QTest::newRow("hold slider to the top") << holdSlider << 255 << false << holdBox << 2550 << 255 << Six{80, 10, 3, 5, 2550, 300};
    QTest::newRow("hold box snaps down") << holdBox << 127 << false << holdSlider << 12 << 120 << Six{80, 10, 3, 5, 120, 300};
    // A single digit waits for the next one; leaving the box snaps it.
    QTest::newRow("hold box single digit") << holdBox << 7 << false << holdSlider << 12 << 7 << Six{80, 10, 3, 5, 7, 300};
    QTest::newRow("hold box single digit, left") << holdBox << 7 << true << holdSlider << 0 << 0 << Six{80, 10, 3, 5, 0, 300};
    QTest::newRow("release box past the slider") << "corridorReleaseTimeSpinBox_1" << 2550 << false << "corridorReleaseTimeSlider"
                                                 << 254 << 2550 << Six{80, 10, 3, 5, 120, 2550};
    QTest::newRow("release slider") << "corridorReleaseTimeSlider" << 3 << false << "corridorReleaseTimeSpinBox_1" << 30 << 3
                                    << Six{80, 10, 3, 5, 120, 30};
}

void TestCorridorCurve::pairsStayInStep()
{
    QFETCH(QString, edited);
    QFETCH(int, value);
    QFETCH(bool, finish);
    QFETCH(QString, partner);
    corridor_curve d;
    d.loadSettings(settingsOf(Six{80, 10, 3, 5, 120, 300}));
    QWidget* widget = d.findChild<QWidget*>(edited);
    widget->setProperty("value", value);
    if (finish)
        QMetaObject::invokeMethod(widget, "editingFinished");
    QTEST(d.findChild<QWidget*>(partner)->property("value").toInt(), "partnerValue");
    QTEST(widget->property("value").toInt(), "editedAfter");
    QTEST(pressOk(d), "handedBack");
}

void TestCorridorCurve::chartProfile_data()
{
    QTest::addColumn<Six>("loaded");
    QTest::addColumn<QList<QPointF>>("profile");

    QTest::newRow("no fades") << Six{100, 10, 0, 0, 50, 50}
                              << QList<QPointF>{{0, 0}, {10, 0}, {10, 100}, {410, 100}, {410, 10}, {810, 10}};
    // Fades drawn a fifth wide, cut to whole units; hold and release times do not enter.
    QTest::newRow("fades") << Six{80, 30, 12, 7, 2550, 10000}
                           << QList<QPointF>{{0, 0}, {10, 0}, {12, 80}, {412, 80}, {413, 30}, {813, 30}};
    QTest::newRow("longest fades run past the axis") << Six{100, 0, 255, 255, 0, 0}
                                                     << QList<QPointF>{{0, 0}, {10, 0}, {61, 100}, {461, 100}, {512, 0}, {912, 0}};
}

void TestCorridorCurve::chartProfile()
{
    QFETCH(Six, loaded);
    QFETCH(QList<QPointF>, profile);
    corridor_curve d;
    QChart* chart = d.findChild<QChartView*>("corridorCurveChartView")->chart();
    const QPointer<QLineSeries> before = qobject_cast<QAreaSeries*>(chart->series().value(0))->upperSeries();
    d.loadSettings(settingsOf(loaded));
    QVERIFY(before.isNull()); // a redraw frees the boundary lines it replaces

    QCOMPARE(chart->series().size(), 1);
    auto* area = qobject_cast<QAreaSeries*>(chart->series().first());
    QCOMPARE(area->upperSeries()->points(), profile);
    for (QPointF& p : profile)
        p.setY(0);
    QCOMPARE(area->lowerSeries()->points(), profile);
}

void TestCorridorCurve::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("escape") << int(Qt::Key_Escape);
    QTest::newRow("return") << int(Qt::Key_Return);
}

void TestCorridorCurve::keys()
{
    QFETCH(int, key);
    corridor_curve d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QSignalSpy spy(&d, &corridor_curve::hideDialog);
    QTest::keyClick(&d, Qt::Key(key));
    QVERIFY(d.isVisible());
    QCOMPARE(spy.count(), 0);
}

QTEST_MAIN(TestCorridorCurve)
#include "tst_corridor_curve.moc"
