#include "smartcurve.h"

#include "globals.h"

#include <QAreaSeries>
#include <QCheckBox>
#include <QChartView>
#include <QDateTimeAxis>
#include <QDoubleSpinBox>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimeEdit>
#include <QtTest>

using namespace QtCharts;

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
    void durationsStayWithinADay_data();
    void durationsStayWithinADay();
    void startTimesSnapAndStayInOrder_data();
    void startTimesSnapAndStayInOrder();
    void chartPoints_data();
    void chartPoints();
    void timeLabelsAreNotCut_data();
    void timeLabelsAreNotCut();
    void calculatorHandsBackTheShift_data();
    void calculatorHandsBackTheShift();
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

static void load(smartcurve& d, int productIndex, int mode, const Ints& durationsIn,
                 const Ints& levelsIn = Ints{100, 80, 0, 70, 100}, int shift = -30)
{
    d.setMinDimLevel(productIndex);
    d.setMode(mode, 1);
    d.setLevels(levelsIn);
    d.setMidnightShift(shift);
    d.setFadeTimes(Ints{1, 2, 3, 4, 5});
    d.setDurations(durationsIn);
}

static void pressOk(smartcurve& d)
{
    QSignalSpy spy(&d, &smartcurve::hideDialog);
    d.findChild<QPushButton*>("okButton")->click();
    QCOMPARE(spy.count(), 1);
    QVERIFY(d.isHidden());
}

// The column that edits the durations as the user sees it: header, then the five values.
static QStringList shownColumn(const smartcurve& d)
{
    const bool times = !d.findChild<QLabel*>("timeEditLabel")->isHidden();
    QStringList out{d.findChild<QLabel*>(times ? "timeEditLabel" : "timeIntervalLabel")->text()};
    for (int n = 1; n <= 5; ++n) {
        if (times)
            out << d.findChild<QTimeEdit*>(QString("timeEdit_%1").arg(n))->text();
        else
            out << d.findChild<QDoubleSpinBox*>(QString("durationSpinBox_%1").arg(n))->text();
    }
    return out;
}

// Chart contents as "d<day> hh:mm level", the day counted from the start of the time axis.
struct Drawn
{
    QString axis;
    QStringList curve;
    QStringList marker;
    QPointer<QObject> upperSeries;
};

static Drawn drawn(const smartcurve& d)
{
    QChart* chart = d.findChild<QChartView*>("chartView")->chart();
    auto* axis = qobject_cast<QDateTimeAxis*>(chart->axes(Qt::Horizontal).value(0));
    const QDate day0 = axis->min().date();
    auto text = [day0](const QDateTime& t) { return QString("d%1 %2").arg(day0.daysTo(t.date())).arg(t.toString("hh:mm")); };
    auto points = [text](const QXYSeries* s) {
        QStringList out;
        for (const QPointF& p : s->pointsVector())
            out << text(QDateTime::fromMSecsSinceEpoch(qint64(p.x()))) + QString(" %1").arg(p.y());
        return out;
    };
    Drawn out;
    out.axis = text(axis->min()) + " - " + text(axis->max());
    for (QAbstractSeries* s : chart->series()) {
        if (auto* area = qobject_cast<QAreaSeries*>(s)) {
            out.curve = points(area->upperSeries());
            out.upperSeries = area->upperSeries();
        } else {
            out.marker = points(qobject_cast<QLineSeries*>(s));
        }
    }
    return out;
}

void TestSmartCurve::init()
{
    productList.clear();
    for (int i = 0; i <= 100; ++i) {
        ProductRecord r;
        r.index = i;
        r.driverFeature = i == 1 ? 0x0800 : 0; // product 1 dims only to its physical minimum
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
    QTest::addColumn<int>("earlierProduct");
    QTest::addColumn<int>("productIndex");
    QTest::addColumn<int>("mode");
    QTest::addColumn<Ints>("durationsIn");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<Ints>("durationsOut");

    QTest::newRow("fixed, hours") << -1 << 100 << 1 << Ints{120, 3, 140, 0, 160}
                                  << QStringList{"Time(h)", "12.0", "0.3", "14.0", "0.0", "16.0"} << Ints{120, 3, 140, 0, 160};
    QTest::newRow("fixed, 24 h at most") << -1 << 100 << 1 << Ints{255, 0, 1, 239, 240}
                                         << QStringList{"Time(h)", "24.0", "0.0", "0.1", "23.9", "24.0"} << Ints{240, 0, 1, 239, 240};
    QTest::newRow("ratio rescale") << -1 << 100 << 3 << Ints{40, 20, 10, 30, 20}
                                   << QStringList{"Time(h)", "4.0", "2.0", "1.0", "3.0", "2.0"} << Ints{40, 20, 10, 30, 20};
    // The minute boxes of an older product must not carry over into the hours of ratio rescale.
    QTest::newRow("ratio rescale after an older product") << 99 << 100 << 3 << Ints{255, 3, 10, 30, 20}
                                   << QStringList{"Time(h)", "24.0", "0.3", "1.0", "3.0", "2.0"} << Ints{240, 3, 10, 30, 20};
    QTest::newRow("midnight, start times") << -1 << 100 << 2 << Ints{0, 60, 120, 180, 239}
                                           << QStringList{"Time(hh:mm)", "12:00", "18:00", "00:00", "06:00", "11:54"}
                                           << Ints{0, 60, 120, 180, 239};
    QTest::newRow("older product, minutes") << -1 << 99 << 2 << Ints{255, 30, 60, 0, 240}
                                            << QStringList{"Time(minutes)", "240", "30", "60", "0", "240"} << Ints{240, 30, 60, 0, 240};
}

void TestSmartCurve::scheduleComesBack()
{
    QFETCH(int, earlierProduct);
    QFETCH(int, productIndex);
    QFETCH(int, mode);
    QFETCH(Ints, durationsIn);

    smartcurve d;
    if (earlierProduct >= 0)
        load(d, earlierProduct, 1, Ints{200, 200, 200, 200, 200});
    load(d, productIndex, mode, durationsIn);
    QTEST(shownColumn(d), "shown");
    pressOk(d);
    QTEST(durations(d), "durationsOut");
    QCOMPARE(levels(d), (Ints{100, 80, 0, 70, 100}));
    // Older products neither show nor read the fade times and the shift: they pass through.
    QCOMPARE(d.fadeTimes(), (Ints{1, 2, 3, 4, 5}));
    QCOMPARE(d.midnightShift(), -30);
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
    const QStringList curve = drawn(d).curve;
    d.setMode(2, 0);
    d.setLevels(Ints{50, 50, 50, 50, 50});
    d.setMidnightShift(60);
    d.setFadeTimes(Ints{7, 7, 7, 7, 7});
    QCOMPARE(level1->value(), 90);
    QCOMPARE(d.findChild<QSpinBox*>("midnightShiftSpinBox")->value(), 0);
    QCOMPARE(drawn(d).curve, curve);
}

void TestSmartCurve::levelsFollowThePhysicalMinimum_data()
{
    QTest::addColumn<int>("productIndex");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("editedBox");
    QTest::addColumn<int>("editedValue");
    QTest::addColumn<Ints>("levelsOut");
    QTest::addColumn<QString>("unit");

    const QString minutes("Time(minutes)");
    QTest::newRow("loaded as they are") << 0 << 0 << 0 << 0 << Ints{0, 5, 20, 100, 10} << minutes;
    QTest::newRow("an edit lifts every lit level") << 0 << 0 << 4 << 90 << Ints{0, 20, 20, 90, 20} << minutes;
    QTest::newRow("off stays off") << 0 << 0 << 3 << 0 << Ints{0, 20, 0, 100, 20} << minutes;
    QTest::newRow("minimum level only") << 1 << 20 << 0 << 0 << Ints{20, 20, 20, 100, 20} << minutes;
    // An index the list does not hold leaves the form's own minimum and the product flag alone.
    QTest::newRow("past the end of the list") << 500 << 10 << 0 << 0 << Ints{10, 10, 20, 100, 10} << QString("Time(h)");
}

void TestSmartCurve::levelsFollowThePhysicalMinimum()
{
    QFETCH(int, productIndex);
    QFETCH(int, editedBox);
    QFETCH(int, editedValue);
    productPhyMinLevel = 20;
    smartcurve d;
    d.setMinDimLevel(productIndex);
    QTEST(d.findChild<QSpinBox*>("levelSpinBox_5")->minimum(), "minimum");
    d.setMode(1, 1);
    d.setLevels(Ints{0, 5, 20, 100, 10});
    d.setDurations(Ints{10, 10, 10, 10, 10});
    if (editedBox)
        d.findChild<QSpinBox*>(QString("levelSpinBox_%1").arg(editedBox))->setValue(editedValue);
    pressOk(d);
    QTEST(levels(d), "levelsOut");
    QTEST(d.findChild<QLabel*>("timeIntervalLabel")->text(), "unit");
}

void TestSmartCurve::durationsStayWithinADay_data()
{
    QTest::addColumn<int>("productIndex");
    QTest::addColumn<int>("mode");
    QTest::addColumn<Ints>("durationsIn");
    QTest::addColumn<int>("editedBox");
    QTest::addColumn<double>("editedValue");
    QTest::addColumn<Ints>("durationsOut");
    QTest::addColumn<QString>("curveEnd");

    QTest::newRow("fourth cut, fifth emptied") << 100 << 1 << Ints{10, 20, 10, 30, 20} << 1 << 20.0
                                               << Ints{200, 20, 10, 10, 0} << QString("d1 00:00");
    QTest::newRow("ratio rescale alike") << 100 << 3 << Ints{10, 20, 10, 30, 20} << 1 << 20.0
                                         << Ints{200, 20, 10, 10, 0} << QString("d1 00:00");
    QTest::newRow("edited box gets what is left") << 100 << 1 << Ints{100, 100, 0, 0, 0} << 3 << 10.0
                                                  << Ints{100, 100, 40, 0, 0} << QString("d1 00:00");
    QTest::newRow("exactly a day") << 100 << 1 << Ints{100, 100, 0, 10, 0} << 3 << 3.0
                                   << Ints{100, 100, 30, 10, 0} << QString("d1 00:00");
    // Minutes have no limit on the total; the curve runs on from the 12:00 power-on.
    QTest::newRow("older product, minutes") << 99 << 1 << Ints{240, 240, 240, 240, 240} << 1 << 200.0
                                            << Ints{200, 240, 240, 240, 240} << QString("d1 07:20");
}

void TestSmartCurve::durationsStayWithinADay()
{
    QFETCH(int, productIndex);
    QFETCH(int, mode);
    QFETCH(Ints, durationsIn);
    QFETCH(int, editedBox);
    QFETCH(double, editedValue);

    smartcurve d;
    load(d, productIndex, mode, durationsIn);
    d.findChild<QDoubleSpinBox*>(QString("durationSpinBox_%1").arg(editedBox))->setValue(editedValue);
    QTEST(durations(d), "durationsOut");
    QTEST(drawn(d).curve.value(9).section(' ', 0, 1), "curveEnd");
}

void TestSmartCurve::startTimesSnapAndStayInOrder_data()
{
    QTest::addColumn<Ints>("startsIn");
    QTest::addColumn<int>("editedStep");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<Ints>("startsOut");

    const Ints at1230{5, 20, 30, 40, 50};
    QTest::newRow("minute up") << at1230 << 1 << QString("12:31") << QStringList{"12:36", "14:00", "15:00", "16:00", "17:00"} << Ints{6, 20, 30, 40, 50};
    QTest::newRow("minute down") << at1230 << 1 << QString("12:29") << QStringList{"12:24", "14:00", "15:00", "16:00", "17:00"} << Ints{4, 20, 30, 40, 50};
    QTest::newRow("up from :54, hour kept") << Ints{9, 20, 30, 40, 50} << 1 << QString("12:55")
                                            << QStringList{"12:00", "14:00", "15:00", "16:00", "17:00"} << Ints{0, 20, 30, 40, 50};
    QTest::newRow("down from :00 wraps") << Ints{0, 20, 30, 40, 50} << 1 << QString("12:59")
                                         << QStringList{"12:54", "14:00", "15:00", "16:00", "17:00"} << Ints{9, 20, 30, 40, 50};
    QTest::newRow("typed minute") << Ints{0, 20, 30, 40, 50} << 1 << QString("12:31")
                                  << QStringList{"12:30", "14:00", "15:00", "16:00", "17:00"} << Ints{5, 20, 30, 40, 50};
    QTest::newRow("hour only") << Ints{0, 10, 20, 30, 105} << 5 << QString("23:30")
                               << QStringList{"12:00", "13:00", "14:00", "15:00", "23:30"} << Ints{0, 10, 20, 30, 115};
    QTest::newRow("later steps pushed past midnight") << Ints{0, 10, 20, 110, 115} << 3 << QString("01:00")
                                                      << QStringList{"12:00", "13:00", "01:00", "01:00", "01:00"} << Ints{0, 10, 130, 130, 130};
    QTest::newRow("earlier steps pulled back") << Ints{20, 20, 30, 40, 50} << 3 << QString("13:00")
                                               << QStringList{"13:00", "13:00", "13:00", "16:00", "17:00"} << Ints{10, 10, 10, 40, 50};
}

void TestSmartCurve::startTimesSnapAndStayInOrder()
{
    QFETCH(Ints, startsIn);
    QFETCH(int, editedStep);
    QFETCH(QString, typed);

    smartcurve d;
    load(d, 100, 2, startsIn);
    d.findChild<QTimeEdit*>(QString("timeEdit_%1").arg(editedStep))->setTime(QTime::fromString(typed, "hh:mm"));
    QTEST(QStringList(shownColumn(d).mid(1)), "shown");
    QTEST(durations(d), "startsOut");
}

void TestSmartCurve::chartPoints_data()
{
    QTest::addColumn<int>("productIndex"); // -1: as constructed
    QTest::addColumn<int>("mode");
    QTest::addColumn<Ints>("durationsIn");
    QTest::addColumn<Ints>("levelsIn");
    QTest::addColumn<int>("shift");
    QTest::addColumn<QString>("axis");
    QTest::addColumn<QStringList>("curve");
    QTest::addColumn<QStringList>("marker");

    const QStringList defaults{"d0 00:00 20", "d0 04:00 20", "d0 04:00 50", "d0 06:00 50", "d0 06:00 100", "d0 07:00 100",
                               "d0 07:00 50", "d0 10:00 50", "d0 10:00 15", "d0 12:00 15", "d1 00:00 15"};
    QTest::newRow("fixed, as constructed") << -1 << 1 << Ints{} << Ints{} << 0 << QString("d0 00:00 - d1 00:00") << defaults << QStringList{};
    QTest::newRow("ratio rescale") << 100 << 3 << Ints{40, 20, 10, 30, 20} << Ints{20, 50, 100, 50, 15} << 30
                                   << QString("d0 00:00 - d1 00:00") << defaults << QStringList{};
    QTest::newRow("fixed, all zero") << 100 << 1 << Ints{0, 0, 0, 0, 0} << Ints{10, 20, 30, 40, 0} << 0 << QString("d0 00:00 - d1 00:00")
                                     << QStringList{"d0 00:00 10", "d0 00:00 10", "d0 00:00 20", "d0 00:00 20", "d0 00:00 30", "d0 00:00 30",
                                                    "d0 00:00 40", "d0 00:00 40", "d0 00:00 0", "d0 00:00 0", "d1 00:00 0"}
                                     << QStringList{};
    const QStringList midnight{"d0 12:00 100", "d0 18:00 100", "d0 18:00 100", "d0 21:00 100", "d0 21:00 80", "d1 00:00 80",
                               "d1 00:00 50", "d1 03:00 50", "d1 03:00 80", "d1 06:00 80", "d1 06:00 100", "d1 12:00 100"};
    QTest::newRow("midnight, shift 30") << 100 << 2 << Ints{60, 90, 120, 150, 180} << Ints{100, 80, 50, 80, 100} << 30
                                        << QString("d0 12:00 - d1 12:00") << midnight << QStringList{"d1 00:30 0", "d1 00:30 100"};
    QTest::newRow("midnight, shift -120") << 100 << 2 << Ints{60, 90, 120, 150, 180} << Ints{100, 80, 50, 80, 100} << -120
                                          << QString("d0 12:00 - d1 12:00") << midnight << QStringList{"d0 22:00 0", "d0 22:00 100"};
    // Power-on 12:00 as the form starts; minutes from there, mode and shift play no part.
    QTest::newRow("older product") << 99 << 2 << Ints{60, 120, 180, 240, 60} << Ints{100, 80, 60, 70, 100} << 30
                                   << QString("d0 12:00 - d1 12:00")
                                   << QStringList{"d0 19:00 100", "d0 20:00 100", "d0 20:00 80", "d0 22:00 80", "d0 22:00 60",
                                                  "d1 01:00 60", "d1 01:00 70", "d1 05:00 70", "d1 05:00 100", "d1 06:00 100"}
                                   << QStringList{};
}

void TestSmartCurve::chartPoints()
{
    QFETCH(int, productIndex);
    QFETCH(int, mode);
    QFETCH(Ints, durationsIn);
    QFETCH(Ints, levelsIn);
    QFETCH(int, shift);

    smartcurve d;
    d.findChild<QTimeEdit*>("powerOnTimeEdit")->setTime(QTime(19, 0));
    const QPointer<QObject> firstCurve = drawn(d).upperSeries;
    if (productIndex >= 0)
        load(d, productIndex, mode, durationsIn, levelsIn, shift);
    const Drawn chart = drawn(d);
    QTEST(chart.axis, "axis");
    QTEST(chart.curve, "curve");
    QTEST(chart.marker, "marker");
    if (productIndex >= 0)
        QVERIFY(firstCurve.isNull()); // a redraw frees the series it replaces
}

void TestSmartCurve::timeLabelsAreNotCut_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("everyTwoHours"); // else as many as fit
    QTest::newRow("starting width") << 1024 << false;
    QTest::newRow("wide") << 1600 << true;
}

void TestSmartCurve::timeLabelsAreNotCut()
{
    QFETCH(int, width);
    QFETCH(bool, everyTwoHours);
    smartcurve d;
    d.resize(width, 470);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    auto* view = d.findChild<QChartView*>("chartView");
    auto* axis = qobject_cast<QDateTimeAxis*>(view->chart()->axes(Qt::Horizontal).value(0));
    // The time labels as drawn, whole ("03:00") or cut by Qt Charts ("0...").
    auto labels = [view](const QString& pattern) {
        int n = 0;
        for (QGraphicsItem* item : view->scene()->items())
            if (auto* text = dynamic_cast<QGraphicsTextItem*>(item))
                n += text->toPlainText().contains(QRegularExpression(pattern));
        return n;
    };
    QTRY_COMPARE(labels("^\\d\\d:\\d\\d$"), axis->tickCount());
    QCOMPARE(labels("^\\d.*\\.\\.\\.$"), 0);
    if (everyTwoHours)
        QCOMPARE(axis->tickCount(), 13);
}

void TestSmartCurve::calculatorHandsBackTheShift_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<bool>("byEscape");
    QTest::addColumn<double>("utc");
    QTest::addColumn<int>("shiftOut");
    QTest::addColumn<QString>("marker");

    QTest::newRow("untouched calculator") << true << false << 4.0 << 0 << QString("d1 00:00 0");
    QTest::newRow("clamped to two hours") << true << false << 5.0 << 120 << QString("d1 02:00 0");
    QTest::newRow("box unticked") << false << false << 1.0 << -30 << QString("d0 23:30 0");
    QTest::newRow("escape") << true << true << 1.0 << -30 << QString("d0 23:30 0");
}

void TestSmartCurve::calculatorHandsBackTheShift()
{
    QFETCH(bool, ticked);
    QFETCH(bool, byEscape);
    QFETCH(double, utc);

    smartcurve d;
    load(d, 100, 2, Ints{0, 60, 120, 180, 239});
    d.show();
    bool answered = false;
    QTimer::singleShot(0, this, [&] {
        QWidget* calculator = QApplication::activeModalWidget();
        QVERIFY(calculator && calculator->objectName() == "shift_calculator");
        calculator->findChild<QDoubleSpinBox*>("utcSpinBox")->setValue(utc);
        calculator->findChild<QCheckBox*>("useCalculatorCheckBox")->setChecked(ticked);
        if (byEscape)
            QTest::keyClick(calculator, Qt::Key_Escape);
        else
            calculator->findChild<QPushButton*>("okButton")->click();
        answered = true;
    });
    d.findChild<QPushButton*>("calculatorPushButton")->click();
    QVERIFY(answered);
    QTEST(d.midnightShift(), "shiftOut");
    QTEST(drawn(d).marker.value(0), "marker");
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
