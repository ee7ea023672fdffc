#include "corridor_curve.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

class TestCorridorCurve : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<corridor_curve::CorridorSettings>(); }
    void loadedValuesComeBack_data();
    void loadedValuesComeBack();
    void infinityBoxKeepsTheSeconds();
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

void TestCorridorCurve::infinityBoxKeepsTheSeconds()
{
    corridor_curve d;
    d.loadSettings(settingsOf(Six{100, 10, 0, 0, 50, 50}));
    auto* box = d.findChild<QCheckBox*>("infinityCheckBox_1");
    box->click();
    QVERIFY(!d.findChild<QSpinBox*>("corridorReleaseTimeSpinBox_1")->isEnabled());
    QCOMPARE(pressOk(d).value(5), 500000);
    box->click();
    QVERIFY(d.findChild<QSpinBox*>("corridorReleaseTimeSpinBox_1")->isEnabled());
    QCOMPARE(pressOk(d).value(5), 50);
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
