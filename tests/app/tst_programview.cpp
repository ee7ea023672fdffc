#include "programview.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestProgramView : public QObject
{
    Q_OBJECT
private slots:
    void states_data();
    void states();
    void doneResetsCountersBeforeItReports();
    void escapeAndCloseButtonDoNotEndTheRun();

private:
    static QString text(programView& v, const char* name) { return v.findChild<QLabel*>(name)->text(); }
    static QPushButton* done(programView& v) { return v.findChild<QPushButton*>("doneBtn"); }
    static QString colour(programView& v) { return v.findChild<QWidget*>("colorWidget")->styleSheet(); }
};

void TestProgramView::states_data()
{
    QTest::addColumn<QList<int>>("reports");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("style");
    QTest::addColumn<bool>("doneEnabled");
    QTest::addColumn<QString>("success");
    QTest::addColumn<QString>("fail");
    QTest::addColumn<QString>("subtitle");

    QTest::newRow("first report waits for a driver")
        << QList<int>{4} << "Wait for LED Driver ....!" << "background-color: rgb(232, 232, 232)" << true
        << "------" << "------" << "** Connect the next LED driver **";
    QTest::newRow("start clears the subtitle")
        << QList<int>{4, 0} << "Start Programming LED Driver ......" << "background-color: rgb(255, 250, 205)"
        << false << "------" << "------" << "";
    QTest::newRow("three successes one failure")
        << QList<int>{0, 1, 0, 1, 0, 1, 0, 2} << "Programmed Failed ....!" << "background-color: rgb(255, 170, 127)"
        << true << "3 pcs" << "1 pcs" << "** Connect the next LED driver **";
    QTest::newRow("success")
        << QList<int>{0, 1} << "Programmed Successfully ....!" << "background-color: rgb(170, 255, 127)" << true
        << "1 pcs" << "------" << "** Connect the next LED driver **";
    QTest::newRow("retries count across drivers")
        << QList<int>{0, 3, 3, 1, 0, 3} << "Start Programming LED Driver ......!"
        << "background-color: rgb(255, 250, 205)" << false << "1 pcs" << "------"
        << "Communication error, retry 3 ......";
    QTest::newRow("values outside 0..4 change nothing")
        << QList<int>{4, 5, -1, 6} << "Wait for LED Driver ....!" << "background-color: rgb(232, 232, 232)" << true
        << "------" << "------" << "** Connect the next LED driver **";
    QTest::newRow("untouched form")
        << QList<int>{} << "Start Programming LED Driver ......" << "background-color: rgb(170, 255, 127);" << true
        << "------" << "------" << "** Connect the next LED driver **";
}

void TestProgramView::states()
{
    QFETCH(QList<int>, reports);
    programView view;
    for (int r : reports)
        view.showProgrammingState(r);
    QTEST(text(view, "titleLabel"), "title");
    QTEST(colour(view), "style");
    QTEST(done(view)->isEnabled(), "doneEnabled");
    QTEST(text(view, "successLabel"), "success");
    QTEST(text(view, "failLabel"), "fail");
    QTEST(text(view, "subTitleLabel"), "subtitle");
}

void TestProgramView::doneResetsCountersBeforeItReports()
{
    programView view;
    view.show();
    for (int r : {1, 1, 1, 2})
        view.showProgrammingState(r);

    QStringList seenAtSignal;
    bool visibleAtSignal = false;
    connect(&view, &programView::hideDialog, this, [&]() {
        seenAtSignal << text(view, "successLabel") << text(view, "failLabel");
        visibleAtSignal = view.isVisible();
    });
    QSignalSpy spy(&view, &programView::hideDialog);
    done(view)->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(seenAtSignal, (QStringList{"------", "------"}));
    QVERIFY(visibleAtSignal);
    QVERIFY(view.isHidden());
    // Title and colour stay until the next report.
    QCOMPARE(text(view, "titleLabel"), QString("Programmed Failed ....!"));

    view.showProgrammingState(1);
    QCOMPARE(text(view, "successLabel"), QString("1 pcs"));
    QCOMPARE(text(view, "failLabel"), QString("------"));
    view.showProgrammingState(3);
    QCOMPARE(text(view, "subTitleLabel"), QString("Communication error, retry 1 ......"));
}

void TestProgramView::escapeAndCloseButtonDoNotEndTheRun()
{
    programView view;
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.showProgrammingState(1);
    view.showProgrammingState(1);
    QSignalSpy spy(&view, &programView::hideDialog);

    QTest::keyClick(&view, Qt::Key_Escape);
    QVERIFY(view.isVisible());
    // What the window's close button sends.
    QVERIFY(!view.close());
    QVERIFY(view.isVisible());
    QCOMPARE(spy.count(), 0);

    view.showProgrammingState(1);
    QCOMPARE(text(view, "successLabel"), QString("3 pcs"));
    done(view)->click();
    QCOMPARE(spy.count(), 1);
    QVERIFY(view.isHidden());
}

QTEST_MAIN(TestProgramView)
#include "tst_programview.moc"
