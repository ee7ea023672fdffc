// The Programming tab end to end at a production bench: the real window, the simulated DALI
// programming tool on a pseudo-terminal (found through the tool detection's port provider) and
// virtual LED drivers on its bus. The window's own 2000 ms polls run unchanged, so each step
// takes a few seconds.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"
#include "virtualdriver.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

constexpr int STEP_TIMEOUT_MS = 30000;

QString hexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// Memory bank 2 of a driver of product 120 with the given output current (bytes 3-4, least
// significant first).
QByteArray bank2(const char* current)
{
    return hex("49 03 FF") + hex(current)
           + hex("00 78 05 01"                           // 5-8 product 120, firmware 1.05
                 "82 32 01"                              // 9-11 midnight timer + override, EOL 50 kh, CLO on
                 "00 0B 15 29 3D 51 5B 65"               // 12-19 CLO times
                 "64 63 62 61 60 5F 5E 5D"               // 20-27 CLO levels
                 "1E 45 23 01"                           // 28-31 module minutes 30, hours 74565
                 "00 01 02 05"                           // 32-35 driver hours 131328
                 "01 02 28 4E 05 9A 01"                  // 36-42 OTP, MTP, 40 %, 13.58 kOhm, 4.10 kOhm
                 "11 12 13 14 15 16 17 18 19"            // 43-51
                 "0A 00 50 0A 01"                        // 52-56 0-10V 10 %, 8.0 V, 1.0 V, to the minimum
                 "79 83 8D 97 A1 63 4F 3B 45 63 E2"      // 57-67 timer steps, levels, midnight -30
                 "01 02 03 04 05 07");                   // 68-73 fade times, override fade
}

// The same driver as another product, with another EOL byte (10) and CLO byte (11).
QByteArray bank2Of(int product, quint8 eol, quint8 clo)
{
    QByteArray bank = bank2("BC 02");
    bank[6] = char(product);
    bank[10] = char(eol);
    bank[11] = char(clo);
    return bank;
}

} // namespace

// A bench with the DALI tool and three drivers, the first on its bus.
struct Bench : ToolBench
{
    VirtualDriver drivers[3];

    explicit Bench(const QByteArray& firstBank, int tab = MainWindow::TAB_PROGRAMMING)
        : ToolBench(SimProgTool::Kind::DaliTool, benchProductLines(120))
    {
        drivers[0].setBank2(firstBank);
        tool->setDaliBus(&drivers[0]);
        openWindow(tab);
    }

    QStringList toolFrames() const
    {
        QStringList frames;
        for (const QByteArray& frame : tool->frameBytes())
            frames << QString::fromLatin1(frame.toHex(' ').toUpper());
        return frames;
    }
};

class TestProgrammingTabDali : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void readShowsTheDriver();
    void programWritesBank2();
    void productionOfThreeDrivers();
    void resetClearsModuleOperatingTime();
    void eolOfOlderProducts_data();
    void eolOfOlderProducts();
    void badCloCurveBlocksWhenTicked();
    void consoleItemDueAfterLeavingItsTab_data();
    void consoleItemDueAfterLeavingItsTab();

private:
    std::unique_ptr<LabelProgramStandIn> labelStandIn;
};

void TestProgrammingTabDali::initTestCase()
{
    Q_INIT_RESOURCE(resources);
    labelStandIn = std::make_unique<LabelProgramStandIn>();
    QVERIFY(labelStandIn->isValid());
    labelStandIn->install(0);
}

void TestProgrammingTabDali::cleanupTestCase()
{
    labelStandIn.reset();
}

void TestProgrammingTabDali::readShowsTheDriver()
{
    Bench bench(bank2("BC 02"));
    // A driver that is found is read at once.
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->programmingData().productIndex, quint16(120), STEP_TIMEOUT_MS);
    QCOMPARE(bench.child<QLabel>("fwVersionLabel")->text(), QString("1.05"));
    QCOMPARE(bench.child<QComboBox>("currentSetComboBox")->currentText(), QString("700"));
    QCOMPARE(bench.child<QLabel>("cloTimeLabel")->text(), QString("Module Operating Time = 74565 hours"));
    QCOMPARE(bench.child<QLineEdit>("levelEdit_7")->text(), QString("100"));
    QCOMPARE(bench.child<QDoubleSpinBox>("mtpStartDoubleSpinBox")->value(), 13.58);
    QCOMPARE(bench.child<QSpinBox>("eolTimeSpinBox")->value(), 50);
    QVERIFY(bench.child<QRadioButton>("smartMidnightRadioButton")->isChecked());
    QVERIFY(topLevel("QProgressDialog")->isHidden());

    // Read again with the toolbar after the driver's current changed.
    bench.drivers[0].setBank2(bank2("D2 04"));
    QTRY_VERIFY_WITH_TIMEOUT(bench.action("readAction")->isEnabled(), STEP_TIMEOUT_MS);
    bench.action("readAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->programmingData().current, quint16(1234), STEP_TIMEOUT_MS);
    QVERIFY(bench.child<QRadioButton>("customSetRadioButton")->isChecked());
    QCOMPARE(bench.child<QSpinBox>("customSpinBox")->value(), 1234);
    QCOMPARE(bench.child<QProgressBar>("progressBar")->format(), QString("1234 mA"));
}

void TestProgrammingTabDali::programWritesBank2()
{
    Bench bench(bank2("BC 02"));
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->programmingData().productIndex, quint16(120), STEP_TIMEOUT_MS);
    QTRY_VERIFY_WITH_TIMEOUT(bench.action("programAction")->isEnabled(), STEP_TIMEOUT_MS);

    // The operator's changes on the tab.
    bench.child<QRadioButton>("customSetRadioButton")->click();
    bench.child<QSpinBox>("customSpinBox")->setValue(1050);
    // The override box stays checked, greyed with the smart timer page, and keeps its bit.
    bench.child<QCheckBox>("analogDimCheckBox")->click();
    bench.child<QRadioButton>("dimOffRadioButton")->click();
    bench.child<QDoubleSpinBox>("analogMinDimSpinBox")->setValue(20);
    bench.child<QDoubleSpinBox>("analogEndDimSpinBox")->setValue(1.5);
    bench.child<QDoubleSpinBox>("mtpEndDoubleSpinBox")->setValue(5.0);
    bench.child<QDoubleSpinBox>("mtpStartDoubleSpinBox")->setValue(20.0);
    bench.child<QSpinBox>("mtpMinLevelSpinBox")->setValue(30);
    bench.child<QGroupBox>("eolSetGroupBox")->setChecked(false);
    const char* const times[] = {"0", "12", "24", "36", "48", "60", "72", "84"};
    const char* const levels[] = {"100", "98", "96", "94", "92", "90", "88", "86"};
    for (int i = 0; i < 8; ++i) {
        bench.child<QLineEdit>(qPrintable(QString("timeEdit_%1").arg(i)))->setText(times[i]);
        bench.child<QLineEdit>(qPrintable(QString("levelEdit_%1").arg(i)))->setText(levels[i]);
    }
    bench.action("programAction")->trigger();

    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);
    QCOMPARE(bench.viewText("titleLabel"), QString("Programmed Successfully ....!"));
    QCOMPARE(hexText(bench.drivers[0].bank2()),
             hexText(hex("49 03 55 1A 04 00 78 05 01"
                         "80 00 01"                            // 0-10V + override, no EOL time, CLO on
                         "00 0C 18 24 30 3C 48 54 64 62 60 5E 5C 5A 58 64" // the curve ends at 100 %
                         "1E 45 23 01"                         // the driver's module minutes and hours kept
                         "00 01 02 05"
                         "01 01 1E D0 07 F4 01"                // OTP, MTP 30 %, 20 kOhm, 5 kOhm
                         "11 12 13 14 15 16 17 18 19"
                         "14 00 50 0F 00"                      // 20 %, 8.0 V, 1.5 V, to off
                         "79 83 8D 97 A1 63 4F 3B 45 63 E2"    // the driver's own timer schedule
                         "01 02 03 04 05 07")));

    const QString log = MainWindow::programmingLogFileName(QDateTime::currentDateTime());
    QFile file(bench.env.path(log));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(1).mid(19), QByteArray(",M120 1050mA,0-10V min%: 20 dim to off (Override),,OTP MTP CLO "));
}

void TestProgrammingTabDali::productionOfThreeDrivers()
{
    labelStandIn->clearCalls();
    VirtualDriver fourth; // outlives the bench, whose tool may still point at it
    Bench bench(bank2("BC 02"));
    for (int i = 1; i < 3; ++i) {
        bench.drivers[i].setBank2(bank2("5E 01"));
        bench.drivers[i].unplug();
    }
    bench.child<QCheckBox>("printerCheckBox")->setChecked(true);
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->programmingData().productIndex, quint16(120), STEP_TIMEOUT_MS);
    QTRY_VERIFY_WITH_TIMEOUT(bench.action("programAction")->isEnabled(), STEP_TIMEOUT_MS);
    bench.action("programAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);

    for (int i = 1; i < 3; ++i) {
        bench.drivers[i - 1].unplug();
        QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("titleLabel"), QString("Wait for LED Driver ....!"), STEP_TIMEOUT_MS);
        bench.tool->setDaliBus(&bench.drivers[i]);
        bench.drivers[i].plugIn();
        QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("%1 pcs").arg(i + 1), STEP_TIMEOUT_MS);
    }
    QCOMPARE(bench.viewText("failLabel"), QString("------"));
    for (VirtualDriver& driver : bench.drivers) {
        driver.plugIn();
        QCOMPARE(hexText(driver.bank2().mid(3, 2)), QString("BC 02"));
        QCOMPARE(hexText(driver.bank2().mid(9, 3)), QString("82 32 01"));
    }

    const QString log = MainWindow::programmingLogFileName(QDateTime::currentDateTime());
    QFile file(bench.env.path(log));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.at(0), QByteArray("Time,Model/Current,Mode,ProfileName,Options"));
    for (int i = 1; i <= 3; ++i)
        QCOMPARE(lines.at(i).mid(19), QByteArray(",M120 700mA,Midnight Timer (Override),,OTP MTP CLO EOL "));
    const QString call = QDir(bench.env.path(".")).canonicalPath() + "|-f " + log + " -n 1 -p";
    QCOMPARE(labelStandIn->calls(), (QStringList{call, call, call}));

    // Done ends the run: the next driver is only read, not programmed.
    bench.drivers[2].unplug();
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("titleLabel"), QString("Wait for LED Driver ....!"), STEP_TIMEOUT_MS);
    topLevel("programView")->findChild<QPushButton*>("doneBtn")->click();
    QVERIFY(topLevel("programView")->isHidden());
    fourth.setBank2(bank2("5E 01"));
    bench.tool->setDaliBus(&fourth);
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->programmingData().current, quint16(350), STEP_TIMEOUT_MS);
    QCOMPARE(fourth.writeCount(), 0);
    QVERIFY(topLevel("programView")->isHidden());
    QCOMPARE(labelStandIn->calls().size(), 3);
    bench.tool->setDaliBus(nullptr);
}

void TestProgrammingTabDali::resetClearsModuleOperatingTime()
{
    Bench bench(bank2("BC 02"));
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->programmingData().productIndex, quint16(120), STEP_TIMEOUT_MS);
    QTRY_VERIFY_WITH_TIMEOUT(bench.action("resetAction")->isEnabled(), STEP_TIMEOUT_MS);
    Prompt::clearLog();
    bench.action("resetAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(promptTrace().size(), 2, STEP_TIMEOUT_MS);
    QCOMPARE(promptTrace(),
             (QStringList{"question|Reset Module Operating Time|Do you want to reset the LED module operating time?",
                          "information|Reset Module Operating Time|Reset Successfully"}));
    QCOMPARE(hexText(bench.drivers[0].bank2().mid(26, 8)), QString("5E 5D 00 00 00 00 00 01"));
    QCOMPARE(bench.child<QLabel>("cloTimeLabel")->text(), QString("Module Operating Time = 0 hours"));
    QCOMPARE(bench.window->programmingData().moduleOperationTime_hrs, 0);
}

void TestProgrammingTabDali::eolOfOlderProducts_data()
{
    QTest::addColumn<int>("driverEol");
    QTest::addColumn<bool>("tick"); // tick the EOL group before Program
    QTest::addColumn<int>("programmedEol");

    // Products up to 99 have no EOL time row: byte 10 is their on/off flag and their time at once.
    QTest::newRow("ticked keeps the driver's time") << 0x32 << false << 0x32;
    QTest::newRow("ticked on a driver without a time") << 0x00 << true << 0x01;
}

void TestProgrammingTabDali::eolOfOlderProducts()
{
    QFETCH(int, driverEol);
    QFETCH(bool, tick);
    Bench bench(bank2Of(50, quint8(driverEol), 1));
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->programmingData().productIndex, quint16(50), STEP_TIMEOUT_MS);
    QTRY_VERIFY_WITH_TIMEOUT(bench.action("programAction")->isEnabled(), STEP_TIMEOUT_MS);
    if (tick)
        bench.child<QGroupBox>("eolSetGroupBox")->setChecked(true);
    bench.action("programAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);
    QTEST(int(quint8(bench.drivers[0].bank2().at(10))), "programmedEol");
}

void TestProgrammingTabDali::badCloCurveBlocksWhenTicked()
{
    Bench bench(bank2Of(120, 0x32, 0));
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->programmingData().productIndex, quint16(120), STEP_TIMEOUT_MS);
    QTRY_VERIFY_WITH_TIMEOUT(bench.action("programAction")->isEnabled(), STEP_TIMEOUT_MS);

    // CLO ticked on a driver that has it off, and a point out of range: nothing is collected or
    // written, so CLO cannot go out switched on with the driver's old curve.
    bench.child<QGroupBox>("cloSetGroupBox")->setChecked(true);
    bench.child<QLineEdit>("timeEdit_3")->setText("300");
    bench.action("programAction")->trigger();
    QCOMPARE(bench.child<QLabel>("cloErrorLabel")->text(), QString("Error: Input KHours must withinr 1~255"));
    QCOMPARE(bench.window->programmingData().CLO_Enable, quint8(0));
    QVERIFY(!topLevel("programView") || topLevel("programView")->isHidden());

    bench.child<QLineEdit>("timeEdit_3")->setText("45");
    bench.action("programAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);
    QCOMPARE(hexText(bench.drivers[0].bank2().mid(11, 9)), QString("01 00 0B 15 2D 3D 51 5B 65"));
}

void TestProgrammingTabDali::consoleItemDueAfterLeavingItsTab_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("production");

    // The console's next row falls due while the tool is looked for again on the Programming
    // tab, or in the middle of a production run.
    QTest::newRow("1500 ms, driver read") << 1500 << false;
    QTest::newRow("8000 ms, production run") << 8000 << true;
}

void TestProgrammingTabDali::consoleItemDueAfterLeavingItsTab()
{
    QFETCH(int, delayMs);
    QFETCH(bool, production);
    Bench bench(bank2("BC 02"), MainWindow::TAB_DALI_CONSOLE);
    bench.drivers[1].setBank2(bank2("5E 01"));
    bench.drivers[1].unplug();
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->toolState(), 1, STEP_TIMEOUT_MS);

    // RECALL MAX LEVEL at once, then RECALL MIN LEVEL after the delay.
    QLineEdit* command = bench.child<QLineEdit>("cmdLineEdit");
    QSpinBox* delay = bench.child<QSpinBox>("delayTimeSpinBox");
    command->setText("5");
    delay->setValue(0);
    bench.child<QPushButton>("seqCmdAddPushButton")->click();
    command->setText("6");
    delay->setValue(delayMs);
    bench.child<QPushButton>("seqCmdAddPushButton")->click();
    bench.child<QPushButton>("seqStartPushButton")->click();
    QTableWidget* rows = bench.child<QTableWidget>("cmdSeqTableWidget");
    QTRY_VERIFY_WITH_TIMEOUT(rows->item(0, 6) && rows->item(0, 6)->text() == "----", STEP_TIMEOUT_MS);
    // The first row is answered: the second row's delay runs from here on.
    const qint64 due = SimProgTool::clockMs() + delayMs;
    bench.tool->clearFrames();
    bench.showTab(MainWindow::TAB_PROGRAMMING);

    QTRY_COMPARE_WITH_TIMEOUT(bench.window->programmingData().productIndex, quint16(120), STEP_TIMEOUT_MS);
    QVERIFY(topLevel("QProgressDialog")->isHidden());
    // Once the tool is found again, the driver answers the first probe and is read at once.
    const QStringList frames = bench.toolFrames();
    const int probe = frames.indexOf("FF 99 03");
    QVERIFY2(probe >= 0 && frames.value(probe + 1) == "C3 02 01", qPrintable(frames.join(", ")));

    if (production) {
        QTRY_VERIFY_WITH_TIMEOUT(bench.action("programAction")->isEnabled(), STEP_TIMEOUT_MS);
        bench.action("programAction")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);
        bench.drivers[0].unplug();
        QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("titleLabel"), QString("Wait for LED Driver ....!"), STEP_TIMEOUT_MS);
        bench.tool->setDaliBus(&bench.drivers[1]);
        bench.drivers[1].plugIn();
        QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("2 pcs"), STEP_TIMEOUT_MS);
        QCOMPARE(bench.viewText("failLabel"), QString("------"));
        QCOMPARE(hexText(bench.drivers[1].bank2().mid(3, 2)), QString("BC 02"));
    }
    // Detection, read and production each wait for timers longer than the delay, so the row
    // has fallen due by now; the console, switched off, never sent it.
    QVERIFY(SimProgTool::clockMs() >= due);
    QVERIFY2(!bench.toolFrames().contains("FF 06 01"), qPrintable(bench.toolFrames().join(", ")));
}

QTEST_MAIN(TestProgrammingTabDali)
#include "tst_programmingtab_dali.moc"
