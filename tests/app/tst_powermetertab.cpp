// The Power Meter tab of the real window reading the energy banks 202 to 204 of a virtual driver
// through the simulated DALI tool on a pseudo-terminal: values and texts shown, the readings
// table, automatic reads, the address choice and a gear that does not answer.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"
#include "ptypair.h"
#include "simprogtool.h"
#include "virtualdriver.h"

#include <QSignalSpy>
#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

const QByteArray PRODUCT_0 = "0,Kavro KLD-040-1050,40,1050,350,1,10,54.0,27.0,0,0703";
const QString READ_FAILED = "information|Error|Read data failed! Please check connection.";
constexpr int READ_TIMEOUT_MS = 60000;

// Banks 202 / 203 / 204, locations 4 to 15: energy scale, energy, power scale, power.
const char* const ACTIVE = "FE 00 00 00 01 E2 40 FF 00 00 01 F4";   // 1234.56 Wh, 50.0 W
const char* const APPARENT = "00 00 00 00 00 30 39 00 00 00 00 C8"; // 12345 VAh, 200 VA
const char* const LOAD_SIDE = "FD 00 00 07 5B CD 15 FE 00 00 17 70"; // 123456.789 Wh, 60.00 W
const QStringList SHOWN = {"50.000", "1234.560", "200.000", "12345.000", "60.000", "123456.789"};

} // namespace

class TestPowerMeterTab : public QObject, private WindowUnderTest
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void init();
    void cleanup();

    void singleRead_data();
    void singleRead();
    void shortAddress_data();
    void shortAddress();
    void autoReadOneCycleAtATime();
    void leavingTheTabStopsTheRead();
    void readGivenUp_data();
    void readGivenUp();

private:
    void setBanks(const QStringList& banks)
    {
        for (int i = 0; i < banks.size(); ++i)
            driver->setEnergyBank(202 + i, hex(qPrintable(banks.at(i))));
    }
    // A tab change looks for the tool again: once the probe's answer is in, the next detection
    // pass takes it; the window's own passes take over when that probe was lost.
    void showTab(int tab = MainWindow::TAB_POWER_METER)
    {
        widget<QTabWidget>("tabWidget")->setCurrentIndex(tab);
        QTRY_VERIFY_WITH_TIMEOUT(!window->serialLink().transactionEngine().isAwaitingAnswer(), 5000);
        window->checkToolConnection();
        QTRY_COMPARE_WITH_TIMEOUT(window->toolState(), 1, READ_TIMEOUT_MS);
    }
    void startAutoRead(int seconds)
    {
        widget<QGroupBox>("autoReadGroupBox")->setChecked(true);
        widget<QSpinBox>("autoReadTimeSpinBox")->setValue(seconds);
        readAction()->trigger();
    }
    QAction* readAction() const { return window->findChild<QAction*>("readAction"); }
    QTableWidget* monitor() const { return widget<QTableWidget>("monitorTableWidget"); }
    QString cell(int row, int column) const
    {
        const QTableWidgetItem* item = monitor()->item(row, column);
        return item ? item->text() : QString();
    }
    QStringList fields() const
    {
        QStringList texts;
        for (const char* name : {"activePowerLineEdit", "activeEnergyLineEdit", "apparentPowerLineEdit",
                                 "apparentEnergyLineEdit", "loadSidePowerLineEdit", "loadSideEnergyLineEdit"})
            texts << edit(name)->text();
        return texts;
    }
    QStringList toolFrames(int from, int count = -1) const
    {
        QStringList frames;
        for (const QByteArray& frame : tool->frameBytes().mid(from, count))
            frames << QString::fromLatin1(frame.toHex(' ').toUpper());
        return frames;
    }

    std::unique_ptr<WindowTestEnvironment> env;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<VirtualDriver> driver;
    std::unique_ptr<SimProgTool> tool;
};

void TestPowerMeterTab::init()
{
    env.reset(new WindowTestEnvironment);
    env->writeProductList({PRODUCT_0});
    pty.reset(new PtyPair);
    QVERIFY(pty->isOpen());
    driver.reset(new VirtualDriver);
    tool.reset(new SimProgTool(pty.get(), SimProgTool::Kind::DaliTool));
    tool->setDaliBus(driver.get());
    const QString path = pty->slavePath();
    setToolPortProvider([path] { return QList<ToolPortInfo>{ftdiToolPort(path)}; });
    window.reset(new MainWindow);
    showTab();
    tool->clearFrames();
    Prompt::clearLog();
}

void TestPowerMeterTab::cleanup()
{
    window.reset();
    tool.reset();
    driver.reset();
    pty.reset();
    env.reset();
}

void TestPowerMeterTab::singleRead_data()
{
    QTest::addColumn<QStringList>("banks");
    QTest::addColumn<QStringList>("answers"); // "frame number:answer" replacing the tool's
    QTest::addColumn<int>("changeAt");        // bank 202 counts on when this frame arrives
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("trace");   // frames 0 to 3 and from 6 on

    const QStringList banks = {ACTIVE, APPARENT, LOAD_SIDE};
    const QStringList reads = {"C3 CA 01", "A3 04 01", "FF C5 03", "FF C5 03"};
    QTest::newRow("scaled values") << banks << QStringList() << -1 << SHOWN << reads + QStringList{"FF C5 03"};
    // The two top values of a field mean "no value"; the one below is a value. Load-side energy
    // is shown only with load-side power.
    QTest::newRow("not available") << QStringList{"00 FF FF FF FF FF FF 00 FF FF FF FE",
                                                  "00 FF FF FF FF FF FD 00 FF FF FF FD",
                                                  "00 00 00 00 00 00 01 00 FF FF FF FF"}
                                   << QStringList() << -1
                                   << QStringList{"---", "---", "4294967293.000", "281474976710653.000", "---", "---"}
                                   << reads;
    // Frame 6 reads location 8, the fourth energy byte (01); failed answers carry junk.
    QTest::newRow("failed read, re-selection answered with junk")
        << banks << QStringList{"6:05 37", "7:01 55"} << -1 << SHOWN
        << reads + QStringList{"FF C5 03", "A3 08 01", "FF C5 03", "FF C5 03"};
    QTest::newRow("two failures in a row start the bank over")
        << banks << QStringList{"6:05 37", "8:00 00"} << -1 << SHOWN
        << reads + QStringList{"FF C5 03", "A3 08 01", "FF C5 03", "C3 CA 01", "A3 04 01", "FF C5 03"};
    QTest::newRow("a good read ends a run of failures")
        << banks << QStringList{"6:05 37", "10:05 37"} << -1 << SHOWN
        << reads + QStringList{"FF C5 03", "A3 08 01", "FF C5 03", "FF C5 03", "FF C5 03", "A3 0A 01", "FF C5 03"};
    // After the first energy byte went out: the latched energy is read whole, the power field
    // is latched later and shows the new value.
    QTest::newRow("meter counting during the read")
        << banks << QStringList() << 4
        << QStringList{"50.100", "1234.560", "200.000", "12345.000", "60.000", "123456.789"} << reads;
}

void TestPowerMeterTab::singleRead()
{
    QFETCH(QStringList, banks);
    QFETCH(QStringList, answers);
    QFETCH(int, changeAt);
    setBanks(banks);
    connect(tool.get(), &SimProgTool::frameReceived, this, [&] {
        const int frame = tool->frames().size() - 1;
        for (const QString& answer : answers) {
            if (answer.section(':', 0, 0).toInt() == frame)
                tool->queueAnswer(hex(qPrintable(answer.section(':', 1))));
        }
        if (frame == changeAt)
            driver->setEnergyBank(202, hex("FE 00 00 00 02 00 00 FF 00 00 01 F5"));
    });
    int reports = 0;
    connect(&window->powerMonitorEngine(), &DaliPowerMonitor::updatePowerMonitorDisplay, this, [&] { ++reports; });

    readAction()->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(reports, 3, READ_TIMEOUT_MS);
    QFETCH(QStringList, shown);
    QCOMPARE(fields(), shown);
    QCOMPARE(edit("activePowerLineEdit")->palette().color(QPalette::Text), QColor(Qt::blue));
    QFETCH(QStringList, trace);
    QCOMPARE(toolFrames(0, 4) + toolFrames(6, trace.size() - 4), trace);
    QTRY_VERIFY(!window->powerMonitorEngine().isReading());
    // A single read with no table row shows the fields only.
    QCOMPARE(monitor()->rowCount(), 0);
    QVERIFY(Prompt::log().isEmpty());
}

void TestPowerMeterTab::shortAddress_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<int>("gear");
    QTest::addColumn<QString>("readFrame"); // the first read sent

    QTest::newRow("12") << "12" << false << 12 << "19 C5 03";
    QTest::newRow("63") << "63" << false << 63 << "7F C5 03";
    QTest::newRow("64") << "64" << true << 0 << "01 C5 03";
    QTest::newRow("-1") << "-1" << true << 0 << "01 C5 03";
}

void TestPowerMeterTab::shortAddress()
{
    setBanks({ACTIVE, APPARENT, LOAD_SIDE});
    QFETCH(int, gear);
    driver->setShortAddress(gear);
    QLineEdit* address = edit("addrLineEdit_2");
    widget<QRadioButton>("shortAddrRadioButton_2")->click();
    QVERIFY(address->isEnabled());
    address->clear();
    QFETCH(QString, typed);
    QTest::keyClicks(address, typed);
    QFETCH(bool, warned);
    QCOMPARE(promptTrace(),
             warned ? QStringList{QString::fromUtf8("warning|Warning|Short address should be in range of 0~63\xEF\xBC\x81")}
                    : QStringList{});
    QCOMPARE(address->text(), warned ? QString("0") : typed);

    readAction()->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(edit("loadSideEnergyLineEdit")->text(), QString("123456.789"), READ_TIMEOUT_MS);
    QFETCH(QString, readFrame);
    QCOMPARE(toolFrames(2, 1), QStringList{readFrame});
    widget<QRadioButton>("broadcastRadioButton_2")->click();
    QVERIFY(!address->isEnabled());
}

void TestPowerMeterTab::autoReadOneCycleAtATime()
{
    setBanks({ACTIVE, APPARENT, LOAD_SIDE});
    // Each command takes at least 160 ms: a cycle of 42 outlasts the 5 s interval.
    tool->setAnswerDelay(120);
    startAutoRead(5);
    QCOMPARE(readAction()->text(), QString("Stop"));

    // The tick that falls inside the first cycle adds no row and starts nothing; the second
    // cycle's row comes with its first reading.
    QTRY_VERIFY_WITH_TIMEOUT(tool->frames().size() > 42, READ_TIMEOUT_MS);
    QCOMPARE(monitor()->rowCount(), 1);
    QCOMPARE(toolFrames(42, 1), QStringList{"C3 CA 01"});
    QCOMPARE(toolFrames(14, 1) + toolFrames(28, 1), (QStringList{"C3 CB 01", "C3 CC 01"}));
    for (int column = 1; column < 7; ++column)
        QCOMPARE(cell(0, column), SHOWN.at(column - 1));
    QVERIFY(QRegularExpression("^\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$").match(cell(0, 0)).hasMatch());

    // Stop during the second cycle: the command in flight completes, nothing follows it.
    QSignalSpy sent(&window->powerMonitorEngine(), &DaliPowerMonitor::sendCommand);
    QSignalSpy completed(&window->serialLink(), &SerialCommunication::commandSendComplete);
    readAction()->trigger();
    QCOMPARE(readAction()->text(), QString("Read"));
    QVERIFY(!window->findChild<QTimer*>("autoReadTimer")->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(completed.count(), 1, READ_TIMEOUT_MS);
    QCOMPARE(sent.count(), 0);

    // A new run starts from empty rows: a reading without active power has no time, and not the
    // one of the last run's first row.
    driver->setEnergyBank(202, hex("FE 00 00 00 01 E2 40 FF FF FF FF FF"));
    tool->setAnswerDelay(0);
    readAction()->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(cell(0, 6), SHOWN.at(5), READ_TIMEOUT_MS);
    QCOMPARE(monitor()->rowCount(), 1);
    QCOMPARE(cell(0, 0), QString());
    QCOMPARE(cell(0, 1), QString("na"));
    readAction()->trigger();

    window->findChild<QAction*>("clearAction")->trigger();
    QCOMPARE(monitor()->rowCount(), 0);
}

void TestPowerMeterTab::leavingTheTabStopsTheRead()
{
    setBanks({ACTIVE, APPARENT, LOAD_SIDE});
    startAutoRead(20000);
    QTRY_VERIFY_WITH_TIMEOUT(tool->frames().size() >= 10, READ_TIMEOUT_MS);

    QSignalSpy sent(&window->powerMonitorEngine(), &DaliPowerMonitor::sendCommand);
    const int rows = monitor()->rowCount();
    showTab(MainWindow::TAB_DALI_CONSOLE);
    QCOMPARE(sent.count(), 0);

    // Back on the tab the button says Read, and nothing runs that it does not show: no tick
    // comes, no row is added, nothing is sent until Read.
    showTab();
    QCOMPARE(readAction()->text(), QString("Read"));
    QVERIFY(!window->findChild<QTimer*>("autoReadTimer")->isActive());
    QVERIFY(!window->powerMonitorEngine().isReading());
    QCOMPARE(monitor()->rowCount(), rows);
    QCOMPARE(sent.count(), 0);

    // Read: one whole clean cycle into a new table.
    tool->clearFrames();
    readAction()->trigger();
    QCOMPARE(readAction()->text(), QString("Stop"));
    QTRY_COMPARE_WITH_TIMEOUT(cell(0, 6), QString("123456.789"), READ_TIMEOUT_MS);
    QCOMPARE(sent.count(), 42);
    QCOMPARE(toolFrames(0, 1), QStringList{"C3 CA 01"});
}

void TestPowerMeterTab::readGivenUp_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<int>("from");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<int>("rows");

    // Bank 204 missing: the read is repeated, the bank started over, the read repeated again.
    QTest::newRow("no bank 204") << "" << QStringList{READ_FAILED} << 28
                                 << QStringList{"C3 CC 01", "A3 04 01", "FF C5 03", "A3 04 01", "FF C5 03",
                                                "C3 CC 01", "A3 04 01", "FF C5 03", "A3 04 01", "FF C5 03"}
                                 << 1;
    // Four time-outs in a row: the selection is sent again each time. Nothing was read, so
    // the table gets no row.
    QTest::newRow("tool silent") << "silent" << QStringList{READ_FAILED} << 0
                                 << QStringList{"C3 CA 01", "C3 CA 01", "C3 CA 01", "C3 CA 01"} << 0;
}

void TestPowerMeterTab::readGivenUp()
{
    QFETCH(QString, fault);
    setBanks({ACTIVE, APPARENT});
    tool->setSilent(fault == "silent");
    startAutoRead(5);

    QFETCH(QStringList, prompts);
    QTRY_COMPARE_WITH_TIMEOUT(promptTrace(), prompts, READ_TIMEOUT_MS);
    QFETCH(int, from);
    QFETCH(QStringList, frames);
    QCOMPARE(toolFrames(from), frames);
    QCOMPARE(readAction()->text(), QString("Read"));
    QVERIFY(!window->findChild<QTimer*>("autoReadTimer")->isActive());
    QVERIFY(!window->powerMonitorEngine().isReading());
    QTEST(monitor()->rowCount(), "rows");
}

QTEST_MAIN(TestPowerMeterTab)
#include "tst_powermetertab.moc"
