// The programming tool taken away in the middle of each operation, as an operator pulls the USB
// adapter: the real window at a production bench, the simulated tool on a pseudo-terminal whose
// master side is closed. The operator leaves the "Serial port error!" box open for a few seconds,
// plugs the tool back in meanwhile (on a new port, as a new device node) and then answers it.
//
// Every row: the operation has ended, its outcome shown, before the box opens and within 2 s of
// the loss; one box for the loss; the tool is found again; and what follows depends on whether
// the user can see a run going on. A power meter Read clicked while the tool is being detected
// again (after the loss, or after a tab change, which looks for the tool anew) is refused at once
// with the tab's own message, and the next Read once the tool is found reads values; so is a DALI
// Control Send or Single Step, which puts nothing on the line but the detection's probes.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"
#include "simbootloader.h"
#include "simusbdriver.h"
#include "virtualdriver.h"

#include <QtTest>
#include <QtWidgets>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

constexpr int STEP_TIMEOUT_MS = 30000;
constexpr int OUTCOME_LIMIT_MS = 2000;
constexpr int BOX_HELD_MS = 3000;
constexpr int NO_WRITE_MS = 15000;
constexpr int PRODUCT = 120;

const QString PORT_ERROR_TEXT = QStringLiteral("Serial port error! Please check tool connection.");
const QString READ_FAILED_TEXT = QStringLiteral("Read data failed! Please check connection.");
const QString RESET_QUESTION = QStringLiteral("Do you want to reset the LED module operating time?");
const QString RESET_FAILED_BOX = QStringLiteral("information|Reset Module Operating Time|Reset Failure");
const QString SEND_REFUSED_BOX = QStringLiteral("warning|Send command failed|Please check tool connection!");
const QString STEP_REFUSED_BOX = QStringLiteral("warning|Send command sequence failed|Please check tool connection!");
const QString HEX_FILE = QStringLiteral(HEX_SAMPLES_DIR "/firmware_objcopy.hex");

// DALI tool frames: READ MEMORY LOCATION, and WRITE MEMORY LOCATION whatever its byte.
const QByteArray DALI_READ = hex("FF C5 03");
const QByteArray DALI_TOOL_PROBE = hex("C1 00 01");
constexpr quint8 DALI_WRITE_ADDRESS = 0xC7;
// USB tool command codes.
constexpr quint8 USB_PROBE = 1;
constexpr quint8 USB_SET_DIM_FUNCTION = 4;
constexpr quint8 USB_SET_OPERATION_HOUR = 12;
constexpr quint8 USB_LAST_SET = 13;
constexpr quint8 USB_QUERY_DIM_FUNCTION = 20;

// Memory bank 2 of a driver of product 120: last address 73, 700 mA, firmware 1.05, CLO off.
QByteArray dali120Bank()
{
    return hex("49 03 FF BC 02 00 78 05 01 00 00 00") + QByteArray(62, '\0');
}

// Energy banks 202 to 204, locations 4 to 15.
const char* const ENERGY_BANK = "FE 00 00 00 01 E2 40 FF 00 00 01 F4";

} // namespace

enum class Step {
    Read,             // the read every newly found driver gets
    Program,          // a production run, its view open
    ProgramRequested, // Program clicked, the run not started yet: no view
    Reset,            // module operating time
    ResetAsked,       // the reset question open when the tool goes, answered OK after the loss
    PowerRead,        // automatic power meter reading, the tool pulled during a cycle
    PowerReadPaused,  // automatic power meter reading, the tool pulled between two cycles
    PowerReadOnReturn, // Read clicked right after the tool is plugged back in
    PowerReadOnTab,   // Read clicked right after the Power Meter tab is shown; no loss
    ConsoleSendOnTab, // QUERY DEVICE TYPE sent right after the DALI Control tab is shown; no loss
    ConsoleStepOnTab, // the same as the one row of a sequence, single-stepped
    FirmwareUpdate,
    Idle,             // nothing under way, on the DALI Control tab
};
Q_DECLARE_METATYPE(Step)

// The bench, its drivers following the tool when it is plugged back in.
struct LossBench : ToolBench
{
    const bool usb;
    VirtualDriver daliDriver;
    std::unique_ptr<SimUsbDriver> usbDriver;
    std::unique_ptr<SimBootLoader> bootLoader;

    explicit LossBench(bool usbTool)
        : ToolBench(usbTool ? SimProgTool::Kind::UsbTool : SimProgTool::Kind::DaliTool, benchProductLines(PRODUCT))
        , usb(usbTool)
        , usbDriver(std::make_unique<SimUsbDriver>(PRODUCT))
    {
        daliDriver.setBank2(dali120Bank());
        for (int bank = 202; bank <= 204; ++bank)
            daliDriver.setEnergyBank(bank, hex(ENERGY_BANK));
        attachDrivers();
    }
    ~LossBench() { bootLoader.reset(); }

    void attachDrivers()
    {
        if (usb)
            usbDriver->attachTo(*tool);
        else
            tool->setDaliBus(&daliDriver);
    }
    // The same drivers behind a tool on a new port; a fresh USB driver when asked.
    void plugBack(bool freshUsbDriver)
    {
        const bool booting = bootLoader != nullptr;
        bootLoader.reset();
        plugIn(usb ? SimProgTool::Kind::UsbTool : SimProgTool::Kind::DaliTool);
        if (freshUsbDriver)
            usbDriver = std::make_unique<SimUsbDriver>(PRODUCT);
        attachDrivers();
        if (booting)
            bootLoader = std::make_unique<SimBootLoader>(tool.get());
    }

    const ProgEngine& engine() const
    {
        return usb ? static_cast<const ProgEngine&>(window->iProgrammingEngine()) : window->daliProgrammingEngine();
    }
    QStringList bootLines() const
    {
        return child<QTextBrowser>("bootStatusTextBrowser")->toPlainText().split('\n', Qt::SkipEmptyParts);
    }
};

class TestToolLoss : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void lostToolEndsTheRun_data();
    void lostToolEndsTheRun();
};

void TestToolLoss::lostToolEndsTheRun_data()
{
    QTest::addColumn<bool>("usbTool");
    QTest::addColumn<Step>("step");

    QTest::newRow("DALI tool, read") << false << Step::Read;
    QTest::newRow("DALI tool, program") << false << Step::Program;
    QTest::newRow("DALI tool, reset") << false << Step::Reset;
    QTest::newRow("DALI tool, reset question answered after the loss") << false << Step::ResetAsked;
    QTest::newRow("USB tool, read") << true << Step::Read;
    QTest::newRow("USB tool, program") << true << Step::Program;
    QTest::newRow("USB tool, program not started yet") << true << Step::ProgramRequested;
    QTest::newRow("USB tool, reset") << true << Step::Reset;
    QTest::newRow("DALI tool, power read") << false << Step::PowerRead;
    QTest::newRow("DALI tool, power read between cycles") << false << Step::PowerReadPaused;
    QTest::newRow("DALI tool, power read clicked as the tool returns") << false << Step::PowerReadOnReturn;
    QTest::newRow("DALI tool, power read clicked as the tab shows") << false << Step::PowerReadOnTab;
    QTest::newRow("DALI tool, console send clicked as the tab shows") << false << Step::ConsoleSendOnTab;
    QTest::newRow("DALI tool, console step clicked as the tab shows") << false << Step::ConsoleStepOnTab;
    QTest::newRow("DALI tool, firmware update") << false << Step::FirmwareUpdate;
    QTest::newRow("DALI tool, idle on the DALI Control tab") << false << Step::Idle;
}

void TestToolLoss::lostToolEndsTheRun()
{
    QFETCH(bool, usbTool);
    QFETCH(Step, step);
    LossBench bench(usbTool);
    const bool powerRead =
        step == Step::PowerRead || step == Step::PowerReadPaused || step == Step::PowerReadOnReturn;
    const bool readRefused = step == Step::PowerReadOnReturn || step == Step::PowerReadOnTab;
    const bool consoleOnTab = step == Step::ConsoleSendOnTab || step == Step::ConsoleStepOnTab;
    const bool toolLost = step != Step::PowerReadOnTab && !consoleOnTab;
    const int tab = powerRead || consoleOnTab                           ? MainWindow::TAB_POWER_METER
                    : step == Step::FirmwareUpdate                      ? MainWindow::TAB_FIRMWARE_UPDATE
                    : step == Step::Idle || step == Step::PowerReadOnTab ? MainWindow::TAB_DALI_CONSOLE
                                                                        : MainWindow::TAB_PROGRAMMING;
    if (step == Step::FirmwareUpdate)
        bench.bootLoader = std::make_unique<SimBootLoader>(bench.tool.get());

    // The outcome of the operation, as the window shows it.
    std::unique_ptr<QSignalSpy> reads;
    auto outcomeShown = [&] {
        switch (step) {
        case Step::Read:
            return !reads->isEmpty() && reads->last().first().toInt() == READ_STATE_ABORT
                   && topLevel("QProgressDialog")->isHidden();
        case Step::Program:
            return bench.viewText("failLabel") == "1 pcs" && bench.viewText("titleLabel") == "Programmed Failed ....!";
        case Step::ProgramRequested:
            return topLevel("programView")->isHidden();
        case Step::Reset: {
            // The tool-lost box is the one message; the reset is shown failed on the status line.
            const QLabel* status = bench.child<QLabel>("cloErrorLabel");
            return !status->isHidden() && status->text() == "Reset Failure"
                   && !promptTrace().contains(RESET_FAILED_BOX);
        }
        case Step::ResetAsked:
            // The question is still open: nothing has been reset or reported yet.
            return !promptTrace().contains(RESET_FAILED_BOX);
        case Step::PowerRead:
        case Step::PowerReadPaused:
            return bench.action("readAction")->text() == "Read"
                   && !bench.window->powerMonitorEngine().isReading()
                   && !bench.window->findChild<QTimer*>("autoReadTimer")->isActive();
        case Step::PowerReadOnReturn:
        case Step::PowerReadOnTab:
        case Step::ConsoleSendOnTab:
        case Step::ConsoleStepOnTab:
            return bench.child<QLabel>("connectStatusLabel")->text() == "Tool not found!";
        case Step::FirmwareUpdate:
            return bench.bootLines().contains("Firmware update failed, please try again.");
        case Step::Idle:
            return bench.child<QLabel>("connectStatusLabel")->text() == "Tool not found!";
        }
        return false;
    };

    qint64 lostAt = -1;
    qint64 boxAt = -1;
    bool boxAnswered = false;
    bool outcomeAtBox = false;
    qint64 readFailedAt = -1;
    std::function<void()> pull;
    Prompt::setResponder([&](const Prompt::Record& r) -> Prompt::Answer {
        if (r.kind == Prompt::Kind::OpenFile)
            return HEX_FILE;
        if (r.text.startsWith("Please confirm the AC power is off."))
            return QMessageBox::Yes;
        if (r.text.startsWith("Please turn on the AC power now.")) {
            (void)QTest::qWaitFor([&] { return bench.tool->frameBytes().count(hex("FA 04 07 05")) >= 2; },
                                  STEP_TIMEOUT_MS);
            return QMessageBox::Ok;
        }
        if (r.text == RESET_QUESTION && step == Step::ResetAsked) {
            // The tool goes while the operator reads the question; OK comes once the loss is told.
            pull();
            (void)QTest::qWaitFor([&] { return boxAnswered; }, STEP_TIMEOUT_MS);
        }
        if (r.text == PORT_ERROR_TEXT && boxAt < 0) {
            boxAt = SimProgTool::clockMs();
            outcomeAtBox = outcomeShown();
            // The operator plugs the tool back in and answers the box a while later, or at once
            // to click Read.
            bench.plugBack(step == Step::ProgramRequested);
            if (step != Step::PowerReadOnReturn) {
                QEventLoop held;
                QTimer::singleShot(BOX_HELD_MS, &held, &QEventLoop::quit);
                held.exec();
            }
            boxAnswered = true;
        }
        if (r.text == READ_FAILED_TEXT && readFailedAt < 0)
            readFailedAt = SimProgTool::clockMs();
        return QMessageBox::Ok;
    });

    pull = [&] {
        lostAt = SimProgTool::clockMs();
        bench.tool->unplug();
    };
    // Read on the Power Meter tab while the tool is being looked for: the read ends at once.
    auto readDuringDetection = [&] {
        QCOMPARE(bench.window->toolState(), 0);
        const qint64 clickAt = SimProgTool::clockMs();
        bench.action("readAction")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(readFailedAt >= 0, STEP_TIMEOUT_MS);
        QVERIFY2(readFailedAt - clickAt < OUTCOME_LIMIT_MS,
                 qPrintable(QString("%1 ms").arg(readFailedAt - clickAt)));
        QCOMPARE(bench.action("readAction")->text(), QString("Read"));
        QVERIFY(!bench.window->powerMonitorEngine().isReading());
        QVERIFY(!bench.window->findChild<QTimer*>("autoReadTimer")->isActive());
    };
    // QUERY DEVICE TYPE to all on the DALI Control tab, sent alone or as a sequence's one row;
    // returns what the tab shows as its answer.
    auto consoleQuery = [&] {
        bench.child<QPushButton>(step == Step::ConsoleSendOnTab ? "sendPushButton" : "seqSingleStepPushButton")->click();
    };
    auto consoleAnswer = [&] {
        if (step == Step::ConsoleSendOnTab)
            return bench.child<QLineEdit>("daliResponseLineEdit")->text();
        const QTableWidgetItem* response = bench.child<QTableWidget>("cmdSeqTableWidget")->item(0, 6);
        return response ? response->text() : QString();
    };
    auto startAutoRead = [&] {
        bench.child<QGroupBox>("autoReadGroupBox")->setChecked(true);
        bench.child<QSpinBox>("autoReadTimeSpinBox")->setValue(5);
        bench.action("readAction")->trigger();
    };
    // The tool goes at the frame that satisfies lossPoint, before its answer leaves.
    auto pullAt = [&](std::function<bool(const SimProgTool::Frame&)> lossPoint) {
        SimProgTool* tool = bench.tool.get();
        connect(tool, &SimProgTool::frameReceived, tool, [&, tool, lossPoint] {
            if (lostAt < 0 && lossPoint(tool->frames().last()))
                QTimer::singleShot(0, tool, pull);
        });
    };
    auto usbCommand = [](const SimProgTool::Frame& f) {
        return f.type == SimProgTool::FrameType::Usb ? int(quint8(f.bytes.at(0))) : -1;
    };
    int count = 0;
    // A newly found driver is read at once.
    if (step == Step::Read) {
        pullAt([&](const SimProgTool::Frame& f) {
            return usbTool ? usbCommand(f) == USB_QUERY_DIM_FUNCTION : f.bytes == DALI_READ && ++count == 20;
        });
    }
    bench.openWindow(tab, usbTool ? PROG_TOOL_IPROG : PROG_TOOL_DALI);
    reads = std::make_unique<QSignalSpy>(&bench.engine(), &ProgEngine::productInfoReadUpdateSignal);
    bench.findTool();

    switch (step) {
    case Step::Read:
        break;
    case Step::Program:
    case Step::Reset:
        bench.waitForDriverRead(PRODUCT);
        pullAt([&](const SimProgTool::Frame& f) {
            if (usbTool)
                return usbCommand(f) == (step == Step::Program ? USB_SET_DIM_FUNCTION : USB_SET_OPERATION_HOUR);
            return quint8(f.bytes.at(0)) == DALI_WRITE_ADDRESS && ++count == (step == Step::Program ? 10 : 1);
        });
        bench.action(step == Step::Program ? "programAction" : "resetAction")->trigger();
        break;
    case Step::ProgramRequested:
        bench.waitForDriverRead(PRODUCT);
        // Right after a probe has had its answer: the next one, which would start the run, is
        // 2 s away. (Clicked on a timer from the probe instead, a window running late could take
        // the click before that answer and start the run on it.)
        connect(bench.tool.get(), &SimProgTool::frameReceived, bench.window.get(), [&] {
            if (count == 0 && usbCommand(bench.tool->frames().last()) == USB_PROBE)
                count = 1;
        });
        connect(&bench.window->serialLink(), &SerialCommunication::commandSendComplete, bench.window.get(), [&] {
            if (count != 1)
                return;
            count = 2;
            QTimer::singleShot(0, bench.window.get(), [&] { bench.action("programAction")->trigger(); });
            QTimer::singleShot(200, bench.window.get(), pull);
        });
        break;
    case Step::ResetAsked:
        bench.waitForDriverRead(PRODUCT);
        bench.action("resetAction")->trigger();
        break;
    case Step::PowerRead:
        pullAt([&](const SimProgTool::Frame& f) { return f.bytes == DALI_READ && ++count == 5; });
        startAutoRead();
        break;
    case Step::PowerReadPaused: {
        // The first cycle has read its three banks and ended; the next is up to 5 s away.
        QSignalSpy reports(&bench.window->powerMonitorEngine(), &DaliPowerMonitor::updatePowerMonitorDisplay);
        startAutoRead();
        QTRY_VERIFY_WITH_TIMEOUT(reports.count() == 3 && !bench.window->powerMonitorEngine().isReading(),
                                 STEP_TIMEOUT_MS);
        pull();
        break;
    }
    case Step::PowerReadOnReturn:
        pull();
        break;
    case Step::PowerReadOnTab:
        bench.showTab(MainWindow::TAB_POWER_METER);
        readDuringDetection();
        if (QTest::currentTestFailed())
            return;
        break;
    case Step::ConsoleSendOnTab:
    case Step::ConsoleStepOnTab: {
        bench.tool->clearFrames();
        bench.showTab(MainWindow::TAB_DALI_CONSOLE);
        bench.child<QLineEdit>("cmdLineEdit")->setText("153");
        bench.child<QPushButton>("seqCmdAddPushButton")->click();
        QCOMPARE(bench.window->toolState(), 0);
        Prompt::clearLog();
        consoleQuery();
        QTRY_COMPARE_WITH_TIMEOUT(promptTrace(),
                                  QStringList{step == Step::ConsoleSendOnTab ? SEND_REFUSED_BOX : STEP_REFUSED_BOX},
                                  STEP_TIMEOUT_MS);
        // Nothing was sent, so nothing is shown as sent or answered; the row is still the next.
        QCOMPARE(bench.child<QLineEdit>("sendLineEdit")->text(), QString());
        QCOMPARE(consoleAnswer(), step == Step::ConsoleSendOnTab ? QString("-----") : QString());
        if (step == Step::ConsoleStepOnTab) {
            QCOMPARE(bench.child<QTableWidget>("cmdSeqTableWidget")->currentRow(), 0);
            QCOMPARE(bench.window->consoleEngine().currentIndex(), 1);
        }
        break;
    }
    case Step::FirmwareUpdate:
        pullAt([&](const SimProgTool::Frame& f) {
            return f.type == SimProgTool::FrameType::BootBlock && ++count == 2;
        });
        bench.action("loadAction")->trigger();
        bench.action("programAction")->trigger();
        break;
    case Step::Idle:
        pull();
        break;
    }

    if (toolLost) {
        QTRY_VERIFY_WITH_TIMEOUT(boxAnswered, STEP_TIMEOUT_MS);
        QVERIFY2(outcomeAtBox, "the outcome was not shown when the box opened");
        QVERIFY2(boxAt - lostAt < OUTCOME_LIMIT_MS, qPrintable(QString("%1 ms").arg(boxAt - lostAt)));
    }
    if (step == Step::PowerReadOnReturn) {
        readDuringDetection();
        if (QTest::currentTestFailed())
            return;
    }
    bench.findTool();

    switch (step) {
    case Step::Read:
        // The driver is found again and read.
        QTRY_COMPARE_WITH_TIMEOUT(bench.window->programmingData().productIndex, quint16(PRODUCT), STEP_TIMEOUT_MS);
        break;
    case Step::Program:
        // The run the user sees goes on with the driver on the bench.
        QTRY_COMPARE_WITH_TIMEOUT(bench.viewText("successLabel"), QString("1 pcs"), STEP_TIMEOUT_MS);
        QCOMPARE(bench.viewText("failLabel"), QString("1 pcs"));
        break;
    case Step::ProgramRequested: {
        // The request nobody saw running is gone: a fresh driver is read, never written.
        QTRY_COMPARE_WITH_TIMEOUT(bench.window->driverState(), int(DRIVER_CONNECTED), STEP_TIMEOUT_MS);
        const SimUsbDriver& fresh = *bench.usbDriver;
        const bool written = QTest::qWaitFor(
            [&] {
                const QList<int> log = fresh.commandLog();
                return std::any_of(log.begin(), log.end(), [](int c) { return c >= 2 && c <= USB_LAST_SET; });
            },
            NO_WRITE_MS);
        QVERIFY(!written);
        QVERIFY(topLevel("programView")->isHidden());
        break;
    }
    case Step::ResetAsked: {
        // OK after the loss: the reset did not run, and the operator is told so after the loss.
        const QStringList trace = promptTrace();
        const int asked = trace.indexOf("question|Reset Module Operating Time|" + RESET_QUESTION);
        const int lost = trace.indexOf("information|Error|" + PORT_ERROR_TEXT);
        QVERIFY(asked >= 0 && asked < lost && lost < trace.indexOf(RESET_FAILED_BOX));
        break;
    }
    default:
        break;
    }
    if (consoleOnTab) {
        // Only the detection's probes went out; once the tool is found the same click is sent and
        // its answer shown.
        for (const QByteArray& frame : bench.tool->frameBytes())
            QCOMPARE(frame.toHex(' '), DALI_TOOL_PROBE.toHex(' '));
        consoleQuery();
        QTRY_COMPARE_WITH_TIMEOUT(consoleAnswer(), QString("0x06"), STEP_TIMEOUT_MS);
        QCOMPARE(bench.tool->frameBytes().last().toHex(' '), QByteArray("ff 99 03"));
    }
    if (powerRead || step == Step::PowerReadOnTab) {
        // The cycle cut short, if any, read nothing: no row for Save to write out; a whole cycle
        // before the loss keeps its one.
        QCOMPARE(bench.child<QTableWidget>("monitorTableWidget")->rowCount(),
                 step == Step::PowerReadPaused ? 1 : 0);
        // The next Read reads values.
        bench.child<QGroupBox>("autoReadGroupBox")->setChecked(false);
        QLineEdit* loadSideEnergy = bench.child<QLineEdit>("loadSideEnergyLineEdit");
        loadSideEnergy->clear();
        QSignalSpy reports(&bench.window->powerMonitorEngine(), &DaliPowerMonitor::updatePowerMonitorDisplay);
        bench.action("readAction")->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(reports.count(), 3, STEP_TIMEOUT_MS);
        QCOMPARE(loadSideEnergy->text(), QString("1234.560"));
        QTRY_VERIFY(!bench.window->powerMonitorEngine().isReading());
    }
    QCOMPARE(promptTrace().count("information|Error|" + PORT_ERROR_TEXT), toolLost ? 1 : 0);
    QCOMPARE(promptTrace().count("information|Error|" + READ_FAILED_TEXT), readRefused ? 1 : 0);
    QCOMPARE(promptTrace().count(RESET_FAILED_BOX), step == Step::ResetAsked ? 1 : 0);
    QCOMPARE(promptTrace().count(SEND_REFUSED_BOX), step == Step::ConsoleSendOnTab ? 1 : 0);
    QCOMPARE(promptTrace().count(STEP_REFUSED_BOX), step == Step::ConsoleStepOnTab ? 1 : 0);
}

QTEST_MAIN(TestToolLoss)
#include "tst_toolloss.moc"
