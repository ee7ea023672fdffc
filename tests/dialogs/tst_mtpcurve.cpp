#include "mtpcurve.h"

#include <QCategoryAxis>
#include <QChartView>
#include <QDoubleSpinBox>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QtTest>

using namespace QtCharts;
using Points = QList<QPointF>;

class TestMtpCurve : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<mtpcurve::MTPSettings>(); }
    void loadedValuesComeBackClamped_data();
    void loadedValuesComeBackClamped();
    void raisingTheEndPushesTheStart();
    void chartSeries_data();
    void chartSeries();
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
    QTest::newRow("start below the new end") << true << 50 << 4.0 << 20.0 << 50 << 20.5 << 20.0;
    QTest::newRow("lower start and end together") << true << 50 << 3.0 << 2.0 << 50 << 3.0 << 2.0;
    QTest::newRow("lower, with decimals") << true << 50 << 13.58 << 4.10 << 50 << 13.58 << 4.10;
}

void TestMtpCurve::loadedValuesComeBackClamped()
{
    QFETCH(bool, load);
    QFETCH(int, minLevel);
    QFETCH(double, start);
    QFETCH(double, end);

    mtpcurve d;
    if (load) {
        // A driver with a high derating range read before: its end must not hold up the new start.
        d.loadSettings(mtpcurve::MTPSettings{50, 45.0, 40.0});
        d.loadSettings(mtpcurve::MTPSettings{minLevel, start, end});
    }
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
    // The group box's title style must not spread to the fields inside it.
    QCOMPARE(start->font().pointSize(), 10);
    end->setValue(20.0);
    QCOMPARE(start->value(), 20.5);
    const mtpcurve::MTPSettings s = pressOk(d);
    QCOMPARE(s.start, 20.5);
    QCOMPARE(s.end, 20.0);
}

void TestMtpCurve::chartSeries_data()
{
    QTest::addColumn<mtpcurve::MTPSettings>("loaded");
    QTest::addColumn<QString>("labels"); // label@position, left to right
    QTest::addColumn<Points>("curve");
    QTest::addColumn<Points>("markers");

    QTest::newRow("defaults") << mtpcurve::MTPSettings{50, 6.0, 5.0} << "10@0 9@1 8@2 7@3 6@4 5@5 4@6 3@7 2@8 1@9 0@10"
                              << Points{{0, 100}, {4, 100}, {5, 50}, {10, 50}} << Points{{4, 100}, {5, 50}};
    QTest::newRow("30 to 20") << mtpcurve::MTPSettings{40, 30.0, 20.0} << "35@15 32@18 29@21 26@24 23@27 20@30 17@33"
                              << Points{{0, 100}, {20, 100}, {30, 40}, {50, 40}} << Points{{20, 100}, {30, 40}};
    QTest::newRow("end of 10 lifts the bottom") << mtpcurve::MTPSettings{0, 12.0, 10.0}
                                                << "15@5 14@6 13@7 12@8 11@9 10@10 9@11 8@12 7@13 6@14 5@15"
                                                << Points{{0, 100}, {8, 100}, {10, 0}, {20, 0}} << Points{{8, 100}, {10, 0}};
    QTest::newRow("narrow span") << mtpcurve::MTPSettings{10, 4.5, 2.0} << "5@0 4@1 3@2 2@3 1@4 0@5"
                                 << Points{{0, 100}, {0.5, 100}, {3, 10}, {5, 10}} << Points{{0.5, 100}, {3, 10}};
    // The axis takes whole kOhm, the point the exact value.
    QTest::newRow("start truncated for the axis") << mtpcurve::MTPSettings{50, 6.99, 5.0}
                                                  << "10@0 9@1 8@2 7@3 6@4 5@5 4@6 3@7 2@8 1@9 0@10"
                                                  << Points{{0, 100}, {3.01, 100}, {5, 50}, {10, 50}}
                                                  << Points{{3.01, 100}, {5, 50}};
}

void TestMtpCurve::chartSeries()
{
    QFETCH(mtpcurve::MTPSettings, loaded);
    mtpcurve d;
    auto* view = d.findChild<QChartView*>("chartView");
    const QPointer<QChart> before = view->chart();
    d.loadSettings(loaded);
    QVERIFY(before.isNull()); // a rebuild frees the chart it replaces, with its axes and series

    QChart* chart = view->chart();
    auto* axis = qobject_cast<QCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
    QStringList labels;
    for (const QString& label : axis->categoriesLabels())
        labels << QStringLiteral("%1@%2").arg(label).arg(axis->endValue(label));
    QTEST(labels.join(' '), "labels");
    QCOMPARE(axis->min(), axis->endValue(axis->categoriesLabels().first()));
    QCOMPARE(axis->max(), axis->categoriesLabels().first().toDouble());

    Points markers;
    for (QAbstractSeries* s : chart->series().mid(1))
        markers << qobject_cast<QScatterSeries*>(s)->points();
    QTEST(qobject_cast<QLineSeries*>(chart->series().value(0))->points(), "curve");
    QTEST(markers, "markers");
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
