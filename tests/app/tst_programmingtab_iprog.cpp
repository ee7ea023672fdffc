// The Programming tab end to end with the USB programming tool: the real window with
// "iProgramming (KRQ-US42)" chosen, the simulated tool behind an FTDI adapter at 1200 baud on a
// pseudo-terminal, and simulated drivers answering its commands. The window's own 2000 ms polls
// run unchanged, so each step takes a few seconds.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"
#include "simusbdriver.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

constexpr int STEP_TIMEOUT_MS = 30000;
constexpr int NEWER_PRODUCT = 120;
constexpr int OLDER_PRODUCT = 20;

QString hexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// A driver's settings as its query answers carry them; current is the output current, LSB first.
void fillDriver(SimUsbDriver& d, const char* current)
{
    d.setSetting(19, hex(current));
    d.setSetting(20, hex("0A 64 50 0A 01"));            // 0-10V 10-100 %, 8.0 V, 1.0 V, to the minimum
    d.setSetting(24, hex("00 0B 15 29 3D 51 5B 65"));   // CLO times
    d.setSetting(25, hex("64 63 62 61 60 5F 5E 5D"));   // CLO levels
    d.setSetting(26, hex("79 83 8D 97 A1"));            // timer steps
    d.setSetting(27, hex("63 4F 3B 45 63"));            // timer levels
    d.setSetting(28, hex("45 23 01 00 01 02"));         // module hours 74565, driver hours 131328
    if (d.newerCommandSet()) {
        d.setSetting(18, hex("82"));                    // midnight timer + override
        d.setSetting(21, hex("E2"));                    // midnight shift -30
        d.setSetting(22, hex("28 4E 05 9A 01 64"));     // MTP 40 %, 13.58 kOhm, 4.10 kOhm, max 100
        d.setSetting(23, hex("01 01 32 01"));           // MTP, CLO, EOL 50 kh, OTP
        d.setSetting(29, hex("32"));                    // EOL 50 kh
        d.setSetting(30, hex("05 01"));                 // firmware 1.05
        d.setSetting(31, hex("03"));
    } else {
        d.setSetting(18, hex("02"));                    // fixed timer + override
        d.setSetting(22, hex("28 64 00 02 56 01"));     // MTP 40 %, max 100, counts 512, 342
        d.setSetting(23, hex("01 01 01 01"));
        d.setSetting(30, hex("07"));                    // firmware 0.07
    }
}

// The commands of the log from the first `first` on, the detection probes (1) left out.
QList<int> withoutProbes(const QList<int>& log, int first)
{
    QList<int> out;
    for (int c : log.mid(log.indexOf(first))) {
        if (c != 1)
            out << c;
    }
    return out;
}

} // namespace

// A bench with the USB tool chosen and three drivers of one product, the first behind the tool.
struct Bench : ToolBench
{
    std::unique_ptr<SimUsbDriver> drivers[3];

    explicit Bench(int product)
        : ToolBench(SimProgTool::Kind::UsbTool, benchProductLines(NEWER_PRODUCT))
    {
        for (auto& driver : drivers) {
            driver = std::make_unique<SimUsbDriver>(product);
            fillDriver(*driver, "BC 02");
        }
        drivers[0]->attachTo(*tool);
        openWindow(MainWindow::TAB_PROGRAMMING, PROG_TOOL_IPROG);
    }
};

class TestProgrammingTabIProg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }

    void readShowsTheDriver_data();
    void readShowsTheDriver();
    void programWritesTheTabChanges_data();
    void programWritesTheTabChanges();
    void productionOfThreeDrivers();
    void resetClearsModuleOperatingTime_data();
    void resetClearsModuleOperatingTime();
};

void TestProgrammingTabIProg::readShowsTheDriver_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<QList<int>>("commands");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<double>("mtpStart");

    QTest::newRow("newer set") << NEWER_PRODUCT
                               << QList<int>{18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31} << "1.05"
                               << 13.58;
    // 512 counts of the NTC divider.
    QTest::newRow("older set") << OLDER_PRODUCT << QList<int>{18, 19, 20, 22, 23, 24, 25, 26, 27, 28, 30}
                               << "0.07" << 9.99;
}

void TestProgrammingTabIProg::readShowsTheDriver()
{
    QFETCH(int, product);
    QFETCH(QList<int>, commands);
    QFETCH(QString, firmware);
    QFETCH(double, mtpStart);

    Bench bench(product);
    // A driver that is found is read at once.
    bench.waitForDriverRead(product);
    QCOMPARE(bench.drivers[0]->commandLog().mid(0, 2), (QList<int>{1, 1}));
    QCOMPARE(bench.drivers[0]->commandLog().mid(2, commands.size()), commands);
    QCOMPARE(bench.child<QLabel>("fwVersionLabel")->text(), firmware);
    QCOMPARE(bench.child<QComboBox>("currentSetComboBox")->currentText(), QString("700"));
    QCOMPARE(bench.child<QLabel>("cloTimeLabel")->text(), QString("Module Operating Time = 74565 hours"));
    QCOMPARE(bench.child<QLineEdit>("timeEdit_7")->text(), QString("101"));
    QCOMPARE(bench.child<QDoubleSpinBox>("mtpStartDoubleSpinBox")->value(), mtpStart);
    QCOMPARE(bench.child<QDoubleSpinBox>("analogStartDimSpinBox")->value(), 8.0);
    QVERIFY(bench.child<QCheckBox>("overrideCheckBox")->isChecked());
    QVERIFY(topLevel("QProgressDialog")->isHidden());

    // Read again with the toolbar after the driver's current changed.
    bench.drivers[0]->setSetting(19, hex("D2 04"));
    bench.action("readAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(bench.window->programmingData().current, quint16(1234), STEP_TIMEOUT_MS);
    QCOMPARE(bench.child<QSpinBox>("customSpinBox")->value(), 1234);
}

void TestProgrammingTabIProg::programWritesTheTabChanges_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<QList<int>>("commands");
    QTest::addColumn<QString>("thermal"); // query 22 afterwards
    QTest::addColumn<QString>("enables"); // query 23 afterwards

    // MTP 30 %, 20 kOhm and 5 kOhm in 10 Ohm units (newer) or divider counts 683 and 342 (older).
    QTest::newRow("newer set") << NEWER_PRODUCT << QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}
                               << "1E D0 07 F4 01 64" << "01 01 00 01";
    QTest::newRow("older set") << OLDER_PRODUCT << QList<int>{2, 3, 4, 6, 7, 8, 9, 10, 11} << "1E 64 AB 02 56 01"
                               << "01 01 00 01";
}

void TestProgrammingTabIProg::programWritesTheTabChanges()
{
    QFETCH(int, product);
    QFETCH(QList<int>, commands);
    QFETCH(QString, thermal);
    QFETCH(QString, enables);

    Bench bench(product);
    bench.waitForDriverRead(product);

    // The operator's changes on the tab.
    bench.child<QRadioButton>("customSetRadioButton")->click();
    bench.child<QSpinBox>("customSpinBox")->setValue(1050);
    bench.child<QDoubleSpinBox>("mtpEndDoubleSpinBox")->setValue(5.0);
    bench.child<QDoubleSpinBox>("mtpStartDoubleSpinBox")->setValue(20.0);
    bench.child<QSpinBox>("mtpMinLevelSpinBox")->setValue(30);
    bench.child<QGroupBox>("eolSetGroupBox")->setChecked(false);
    const char* const times[] = {"0", "12", "24", "36", "48", "60", "72", "84"};
    for (int i = 0; i < 8; ++i)
        bench.child<QLineEdit>(qPrintable(QString("timeEdit_%1").arg(i)))->setText(times[i]);
    bench.drivers[0]->clearCommandLog();
    bench.action("programAction")->trigger();

    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);
    QCOMPARE(bench.viewText("titleLabel"), QString("Programmed Successfully ....!"));
    const SimUsbDriver& driver = *bench.drivers[0];
    QCOMPARE(withoutProbes(driver.commandLog(), 2), commands);
    QCOMPARE(hexText(driver.setting(19)), QString("1A 04"));
    QCOMPARE(hexText(driver.setting(22)), thermal);
    QCOMPARE(hexText(driver.setting(23)), enables);
    QCOMPARE(hexText(driver.setting(24)), QString("00 0C 18 24 30 3C 48 54"));
    QCOMPARE(hexText(driver.setting(25)), QString("64 63 62 61 60 5F 5E 64")); // the curve ends at 100 %
    QCOMPARE(hexText(driver.setting(28)), QString("45 23 01 00 01 02"));
}

void TestProgrammingTabIProg::productionOfThreeDrivers()
{
    Bench bench(NEWER_PRODUCT);
    for (int i = 1; i < 3; ++i)
        fillDriver(*bench.drivers[i], "5E 01");
    bench.waitForDriverRead(NEWER_PRODUCT);
    bench.action("programAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);

    for (int i = 1; i < 3; ++i) {
        bench.drivers[i - 1]->setPluggedIn(false);
        QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("titleLabel"), QString("Wait for LED Driver ....!"), STEP_TIMEOUT_MS);
        bench.drivers[i]->attachTo(*bench.tool);
        QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("%1 pcs").arg(i + 1), STEP_TIMEOUT_MS);
    }
    QCOMPARE(bench.viewText("failLabel"), QString("------"));
    // The run reads no driver anew: all three get the first one's data.
    for (const auto& driver : bench.drivers)
        QCOMPARE(hexText(driver->setting(19)), QString("BC 02"));
    QVERIFY(!bench.drivers[1]->commandLog().contains(18));
    QVERIFY(!bench.drivers[2]->commandLog().contains(18));
}

void TestProgrammingTabIProg::resetClearsModuleOperatingTime_data()
{
    QTest::addColumn<int>("product");
    QTest::addColumn<QString>("frame");

    QTest::newRow("newer set") << NEWER_PRODUCT << "0C 04 00 00 00 00 17 F1";
    QTest::newRow("older set") << OLDER_PRODUCT << "0C 00 B0 04";
}

void TestProgrammingTabIProg::resetClearsModuleOperatingTime()
{
    QFETCH(int, product);
    QFETCH(QString, frame);

    Bench bench(product);
    bench.waitForDriverRead(product);
    Prompt::clearLog();
    bench.drivers[0]->clearCommandLog();
    bench.action("resetAction")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(promptTrace().size(), 2, STEP_TIMEOUT_MS);
    QCOMPARE(promptTrace(),
             (QStringList{"question|Reset Module Operating Time|Do you want to reset the LED module operating time?",
                          "information|Reset Module Operating Time|Reset Successfully"}));
    QVERIFY(bench.tool->frameBytes().contains(hex(qPrintable(frame))));
    QCOMPARE(withoutProbes(bench.drivers[0]->commandLog(), 12), QList<int>{12});
    QCOMPARE(hexText(bench.drivers[0]->setting(28)), QString("00 00 00 00 01 02"));
    QCOMPARE(bench.child<QLabel>("cloTimeLabel")->text(), QString("Module Operating Time = 0 hours"));
}

QTEST_MAIN(TestProgrammingTabIProg)
#include "tst_programmingtab_iprog.moc"
