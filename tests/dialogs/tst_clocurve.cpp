#include "clocurve.h"

#include <QChartView>
#include <QLineSeries>
#include <QtTest>

using namespace QtCharts;
using Doubles = QList<double>;
using Points = QList<QPointF>;

class TestCloCurve : public QObject
{
    Q_OBJECT
private slots:
    void curveFollowsTheLists_data();
    void curveFollowsTheLists();
};

static Points curve(clocurve& d)
{
    const QList<QAbstractSeries*> series = d.findChild<QChartView*>("chartView")->chart()->series();
    return series.size() == 1 ? qobject_cast<QLineSeries*>(series.first())->points() : Points{{-1, -1}};
}

void TestCloCurve::curveFollowsTheLists_data()
{
    QTest::addColumn<Doubles>("times");
    QTest::addColumn<Doubles>("levels");
    QTest::addColumn<Points>("points");

    const Doubles defaultTimes{0, 10, 20, 40, 60, 80, 90, 100};
    QTest::newRow("defaults: flat at 100") << defaultTimes << Doubles{100, 100, 100, 100, 100, 100, 100, 100}
                                           << Points{{0, 100}, {10, 100}, {20, 100}, {40, 100},
                                                     {60, 100}, {80, 100}, {90, 100}, {100, 100}};
    // Joined in list order, out of the plot where the values are.
    QTest::newRow("mixed order, an empty level") << Doubles{0, 50, 20, 100} << Doubles{100, 0, 120, 150}
                                                 << Points{{0, 100}, {50, 0}, {20, 120}, {100, 150}};
    QTest::newRow("fewer levels than times") << defaultTimes << Doubles{100, 110} << Points{{0, 100}, {10, 110}};
    QTest::newRow("fewer times than levels") << Doubles{0, 10} << Doubles{100, 110, 120} << Points{{0, 100}, {10, 110}};
}

void TestCloCurve::curveFollowsTheLists()
{
    QFETCH(Doubles, times);
    QFETCH(Doubles, levels);
    clocurve d;
    QCOMPARE(curve(d), Points{});
    d.setTimeList(times);
    QCOMPARE(curve(d), Points{}); // the times alone do not redraw
    // Opened twice with the same edits: nothing accumulates.
    for (int opening = 0; opening < 2; ++opening) {
        d.setTimeList(times);
        d.setLevelList(levels);
        QTEST(curve(d), "points");
    }
}

QTEST_MAIN(TestCloCurve)
#include "tst_clocurve.moc"
