// The DALI Control tab of the real window driving a simulated DALI tool on a pseudo-terminal,
// with a virtual LED driver (short address 10, in no group) on its bus: single commands, runs,
// loops and steps, checked against the frames on the bus and the answers shown.

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
const QString GROUP_WARNING = QString::fromUtf8("warning|Warning|Group address should be in range of 0~15\xEF\xBC\x81");
const QString SHORT_WARNING = QString::fromUtf8("warning|Warning|Short address should be in range of 0~63\xEF\xBC\x81");
const QString TOOL_WARNING = "warning|Send command sequence failed|Please check tool connection!";
const QString INVALID_ROW =
    "Warning: Invalid Command is detected, will be stopped due to the empty of Cmd ID and/or Address";

constexpr int VIRTUAL_DRIVER_SHORT_ADDRESS = 10;

} // namespace

class TestConsoleTabBus : public QObject, private WindowUnderTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sendAddressesTheBus_data();
    void sendAddressesTheBus();
    void refusedSendShowsNoFrame_data();
    void refusedSendShowsNoFrame();
    void sequenceWithDelays();
    void loopStoppedAfterTwoRounds();
    void singleSteps();
    void answerPerRow_data();
    void answerPerRow();
    void answerTexts_data();
    void answerTexts();
    void invalidRowHaltsRun();
    void unansweredRowTimesOut();
    void toolLostEndsRun_data();
    void toolLostEndsRun();
    void tableEmptiedDuringRun();

private:
    QString cell(int row, int column) const
    {
        const QTableWidgetItem* item = table()->item(row, column);
        return item ? item->text() : QString();
    }
    // "AAAA" per forward frame the driver received, address byte then data byte.
    QStringList busFrames() const;
    QStringList toolFrames() const;
    void runStep(const QString& step);
    bool linkIdle() const { return !window->serialLink().transactionEngine().isAwaitingAnswer(); }

    std::unique_ptr<WindowTestEnvironment> env;
    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<VirtualDriver> driver;
    std::unique_ptr<SimProgTool> tool;
    QList<qint64> completedAtMs; // SimProgTool clock, one entry per completed command
};

void TestConsoleTabBus::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestConsoleTabBus::init()
{
    env.reset(new WindowTestEnvironment);
    env->writeProductList({PRODUCT_0});
    pty.reset(new PtyPair);
    QVERIFY(pty->isOpen());
    driver.reset(new VirtualDriver);
    driver->setShortAddress(VIRTUAL_DRIVER_SHORT_ADDRESS);
    tool.reset(new SimProgTool(pty.get(), SimProgTool::Kind::DaliTool));
    tool->setDaliBus(driver.get());
    const QString path = pty->slavePath();
    setToolPortProvider([path] {
        ToolPortInfo info;
        info.portName = path;
        info.vendorIdentifier = 0x0483;
        info.productIdentifier = 0x5740;
        return QList<ToolPortInfo>{info};
    });

    window.reset(new MainWindow);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // The window probed the port while it was built; once the probe's answer is in, the next
    // detection pass takes the tool.
    QTRY_VERIFY_WITH_TIMEOUT(linkIdle(), 5000);
    window->checkToolConnection();
    QCOMPARE(window->toolState(), 1);

    completedAtMs.clear();
    connect(&window->serialLink(), &SerialCommunication::commandSendComplete, this,
            [this] { completedAtMs << SimProgTool::clockMs(); });
    tool->clearFrames();
    driver->clearFrames();
    Prompt::clearLog();
}

void TestConsoleTabBus::cleanup()
{
    window.reset();
    tool.reset();
    driver.reset();
    pty.reset();
    env.reset();
}

QStringList TestConsoleTabBus::busFrames() const
{
    QStringList frames;
    for (const auto& frame : driver->frames()) {
        QByteArray bytes;
        bytes.append(char(frame.first)).append(char(frame.second));
        frames << QString::fromLatin1(bytes.toHex());
    }
    return frames;
}

QStringList TestConsoleTabBus::toolFrames() const
{
    QStringList frames;
    for (const QByteArray& frame : tool->frameBytes())
        frames << QString::fromLatin1(frame.toHex());
    return frames;
}

// One step of the user: "cmd N" (typed, then Return), "cmdtext X" / "addrtext X" (the field
// holds X, whatever it is), "data X", "delay N", "broadcast", "group N", "short N", "add",
// "loop".
void TestConsoleTabBus::runStep(const QString& step)
{
    const QString verb = step.section(QLatin1Char(' '), 0, 0);
    const QString arg = step.section(QLatin1Char(' '), 1);
    if (verb == "cmd") {
        QLineEdit* cmd = edit("cmdLineEdit");
        cmd->setText(QString());
        QTest::keyClicks(cmd, arg);
        QTest::keyClick(cmd, Qt::Key_Return);
        QCOMPARE(cmd->text(), arg);
    } else if (verb == "cmdtext") {
        edit("cmdLineEdit")->setText(arg);
    } else if (verb == "addrtext") {
        edit("addrLineEdit")->setText(arg);
    } else if (verb == "data") {
        edit("paraLineEdit")->setText(arg);
    } else if (verb == "delay") {
        widget<QSpinBox>("delayTimeSpinBox")->setValue(arg.toInt());
    } else if (verb == "broadcast") {
        widget<QRadioButton>("broadcastRadioButton")->click();
    } else if (verb == "group" || verb == "short") {
        widget<QRadioButton>(verb == "group" ? "groupAddrRadioButton" : "shortAddrRadioButton")->click();
        QLineEdit* addr = edit("addrLineEdit");
        addr->setText(QString());
        QTest::keyClicks(addr, arg);
    } else if (verb == "add") {
        button("seqCmdAddPushButton")->click();
    } else if (verb == "loop") {
        widget<QCheckBox>("seqLoopCheckBox")->setChecked(true);
    } else {
        QFAIL(qPrintable("unknown step " + step));
    }
}

void TestConsoleTabBus::sendAddressesTheBus_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("sendData");
    QTest::addColumn<QStringList>("bus");
    QTest::addColumn<QString>("response");

    QTest::newRow("broadcast DAPC 254") << QStringList{"cmd 350", "data 254"} << "FE FE 01" << QStringList{"fefe"}
                                        << "----";
    QTest::newRow("group 3 DAPC") << QStringList{"group 3", "cmd 350", "data 254"} << "86 FE 01"
                                  << QStringList{"86fe"} << "----";
    QTest::newRow("group 15 DAPC 0") << QStringList{"group 15", "cmd 350", "data 0"} << "9E 00 01"
                                     << QStringList{"9e00"} << "----";
    QTest::newRow("group 0 recall max") << QStringList{"group 0", "cmd 5"} << "81 05 01" << QStringList{"8105"}
                                        << "----";
    QTest::newRow("single 10 recall max") << QStringList{"short 10", "cmd 5"} << "15 05 01"
                                          << QStringList{"1505"} << "----";
    QTest::newRow("single 63 DAPC 1") << QStringList{"short 63", "cmd 350", "data 1"} << "7E 01 01"
                                      << QStringList{"7e01"} << "----";
    QTest::newRow("single 10 query device type") << QStringList{"short 10", "cmd 153"} << "15 99 03"
                                                 << QStringList{"1599"} << "0x06";
    QTest::newRow("single 11 query, nobody") << QStringList{"short 11", "cmd 153"} << "17 99 03"
                                             << QStringList{"1799"} << "timeout(NO)";
    QTest::newRow("group 3 query, nobody") << QStringList{"group 3", "cmd 153"} << "87 99 03"
                                           << QStringList{"8799"} << "timeout(NO)";
    QTest::newRow("broadcast query present") << QStringList{"cmd 145"} << "FF 91 03" << QStringList{"ff91"}
                                             << "0xFF";
    QTest::newRow("DTR0 special command") << QStringList{"cmd 257", "data 42"} << "A3 2A 01"
                                          << QStringList{"a32a"} << "----";
}

void TestConsoleTabBus::sendAddressesTheBus()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, sendData);
    QFETCH(QStringList, bus);
    QFETCH(QString, response);

    for (const QString& step : steps)
        runStep(step);
    button("sendPushButton")->click();
    QCOMPARE(edit("sendLineEdit")->text(), sendData);
    QTRY_COMPARE_WITH_TIMEOUT(edit("daliResponseLineEdit")->text(), response, 5000);
    QCOMPARE(busFrames(), bus);
    QCOMPARE(promptTrace(), QStringList());
}

void TestConsoleTabBus::refusedSendShowsNoFrame_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("boxes");

    QTest::newRow("group address emptied") << QStringList{"group 3", "addrtext "} << QStringList{GROUP_WARNING};
    QTest::newRow("single address typo") << QStringList{"short 1", "addrtext 1O"} << QStringList{SHORT_WARNING};
    QTest::newRow("DAPC data typo") << QStringList{"data 1OO"} << QStringList();
    QTest::newRow("DAPC data 300") << QStringList{"data 300"} << QStringList();
    QTest::newRow("DAPC data -1") << QStringList{"data -1"} << QStringList();
    QTest::newRow("command typo") << QStringList{"cmdtext 5x"} << QStringList();
    QTest::newRow("command emptied") << QStringList{"cmdtext "} << QStringList();
    QTest::newRow("number without frame") << QStringList{"cmdtext 400"} << QStringList();
    QTest::newRow("reserved special command") << QStringList{"cmdtext 262"} << QStringList();
    QTest::newRow("device type 8 query on DT6") << QStringList{"cmdtext 251"} << QStringList();
}

void TestConsoleTabBus::refusedSendShowsNoFrame()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, boxes);

    runStep("cmd 350");
    runStep("data 254");
    button("sendPushButton")->click();
    QCOMPARE(edit("sendLineEdit")->text(), QStringLiteral("FE FE 01"));
    QTRY_COMPARE_WITH_TIMEOUT(edit("daliResponseLineEdit")->text(), QStringLiteral("----"), 5000);

    for (const QString& step : steps)
        runStep(step);
    button("sendPushButton")->click();
    QCOMPARE(promptTrace(), boxes);
    QCOMPARE(edit("sendLineEdit")->text(), QString());
    QCOMPARE(edit("daliResponseLineEdit")->text(), QStringLiteral("-----"));
    QVERIFY(linkIdle());

    // The next command is the only one after the first: nothing went out in between.
    runStep("broadcast");
    runStep("cmdtext 5");
    button("sendPushButton")->click();
    QCOMPARE(edit("sendLineEdit")->text(), QStringLiteral("FF 05 01"));
    QTRY_COMPARE_WITH_TIMEOUT(edit("daliResponseLineEdit")->text(), QStringLiteral("----"), 5000);
    QCOMPARE(toolFrames(), (QStringList{"fefe01", "ff0501"}));
}

void TestConsoleTabBus::sequenceWithDelays()
{
    // A slow tool: a delay counted from the send would put the next item on the line before
    // the previous answer is even complete.
    tool->setAnswerDelay(250);
    for (const char* step : {"cmd 257", "data 42", "delay 0", "add", "cmd 152", "delay 300", "add", "cmd 350",
                             "data 128", "delay 200", "add"})
        runStep(QString::fromLatin1(step));

    QPushButton* start = button("seqStartPushButton");
    start->click();
    QCOMPARE(start->text(), QStringLiteral("Stop"));
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Start"), 10000);

    QCOMPARE(busFrames(), (QStringList{"a32a", "ff98", "fe80"}));
    QCOMPARE(toolFrames(), (QStringList{"a32a01", "ff9803", "fe8001"}));
    QCOMPARE(driver->dtr0(), quint8(42));
    QCOMPARE(cell(0, 6), QStringLiteral("----"));
    QCOMPARE(cell(1, 6), QStringLiteral("0x2A"));
    QCOMPARE(cell(2, 6), QStringLiteral("----"));
    QCOMPARE(edit("daliResponseLineEdit")->text(), QStringLiteral("----"));
    QCOMPARE(window->consoleEngine().currentIndex(), 1);

    const QList<SimProgTool::Frame> frames = tool->frames();
    QCOMPARE(completedAtMs.size(), 3);
    QVERIFY2(frames.at(1).atMs - completedAtMs.at(0) >= 300,
             qPrintable(QString("item 2 after %1 ms").arg(frames.at(1).atMs - completedAtMs.at(0))));
    QVERIFY2(frames.at(2).atMs - completedAtMs.at(1) >= 200,
             qPrintable(QString("item 3 after %1 ms").arg(frames.at(2).atMs - completedAtMs.at(1))));
}

void TestConsoleTabBus::loopStoppedAfterTwoRounds()
{
    for (const char* step : {"cmd 5", "delay 0", "add", "cmd 6", "add", "loop"})
        runStep(QString::fromLatin1(step));
    QPushButton* start = button("seqStartPushButton");
    // The user presses Stop while the last item of the second round is on the bus.
    int itemsShown = 0;
    connect(&window->consoleEngine(), &DaliConsole::displayCmdSequenceItem, this, [&itemsShown, start](int row) {
        if (++itemsShown == 4 && row == 1)
            start->click();
    });
    start->click();

    QTRY_COMPARE_WITH_TIMEOUT(completedAtMs.size(), 4, 10000);
    QSignalSpy onBus(tool.get(), &SimProgTool::frameReceived);
    QVERIFY(!onBus.wait(500));
    QCOMPARE(busFrames(), (QStringList{"ff05", "ff06", "ff05", "ff06"}));
    QCOMPARE(start->text(), QStringLiteral("Start"));
    QCOMPARE(window->consoleEngine().mode(), 0);
    QCOMPARE(cell(0, 6), QStringLiteral("----"));
    QCOMPARE(cell(1, 6), QStringLiteral("----"));

    // Stopped past the last item, a run without loop ends as soon as it starts: the button must
    // not be left reading "Stop" over a run that is not going on.
    widget<QCheckBox>("seqLoopCheckBox")->setChecked(false);
    start->click();
    QCOMPARE(start->text(), QStringLiteral("Start"));
    QVERIFY(linkIdle());
    QCOMPARE(window->consoleEngine().currentIndex(), 1);
}

void TestConsoleTabBus::singleSteps()
{
    for (const char* step : {"cmd 5", "delay 0", "add", "cmd 6", "add", "cmd 153", "add"})
        runStep(QString::fromLatin1(step));
    QPushButton* step = button("seqSingleStepPushButton");
    QSignalSpy onBus(tool.get(), &SimProgTool::frameReceived);

    step->click();
    QTRY_COMPARE_WITH_TIMEOUT(cell(0, 6), QStringLiteral("----"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(completedAtMs.size(), 1, 5000);
    onBus.clear();
    QVERIFY(!onBus.wait(300)); // an answer does not advance a step
    QCOMPARE(table()->currentRow(), 0);

    // The row the user selects is the next one sent.
    table()->setCurrentCell(2, 0);
    step->click();
    QTRY_COMPARE_WITH_TIMEOUT(cell(2, 6), QStringLiteral("0x06"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(completedAtMs.size(), 2, 5000);
    QCOMPARE(window->consoleEngine().currentIndex(), 1);

    // Past the end the next step begins again at the first row.
    step->click();
    QTRY_COMPARE_WITH_TIMEOUT(completedAtMs.size(), 3, 5000);
    QCOMPARE(busFrames(), (QStringList{"ff05", "ff99", "ff05"}));
    QCOMPARE(cell(1, 6), QString());
    QCOMPARE(button("seqStartPushButton")->text(), QStringLiteral("Start"));
}

void TestConsoleTabBus::answerPerRow_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("shown");

    QTest::newRow("driver answers") << "" << "0x06";
    QTest::newRow("driver silent") << "silent driver" << "timeout(NO)";
    QTest::newRow("empty bus") << "no driver" << "timeout(NO)";
    QTest::newRow("tool error") << "tool error" << "Tool err.";
}

void TestConsoleTabBus::answerPerRow()
{
    QFETCH(QString, setup);
    QFETCH(QString, shown);

    for (const char* step : {"cmd 5", "delay 0", "add", "cmd 153", "add"})
        runStep(QString::fromLatin1(step));
    if (setup == "silent driver") {
        driver->setAnswerMode(VirtualDriver::AnswerMode::Silent);
    } else if (setup == "no driver") {
        tool->setDaliBus(nullptr);
    } else if (setup == "tool error") {
        tool->queueAnswer(QByteArray::fromHex("0100")); // row 1, RECALL MAX LEVEL
        tool->queueAnswer(QByteArray::fromHex("0500")); // row 2, the query
    }

    QPushButton* start = button("seqStartPushButton");
    start->click();
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Start"), 5000);
    QCOMPARE(cell(0, 6), QStringLiteral("----"));
    QCOMPARE(cell(1, 6), shown);
    QCOMPARE(edit("daliResponseLineEdit")->text(), shown);
    QCOMPARE(toolFrames(), (QStringList{"ff0501", "ff9903"}));
}

void TestConsoleTabBus::answerTexts_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("shown");

    QTest::newRow("query answered") << "153" << QByteArray::fromHex("0106") << "0x06";
    QTest::newRow("query answered AB") << "153" << QByteArray::fromHex("01ab") << "0xAB";
    QTest::newRow("query, tool error") << "153" << QByteArray::fromHex("0500") << "Tool err.";
    QTest::newRow("query, nobody answered") << "153" << QByteArray::fromHex("0000") << "timeout(NO)";
    QTest::newRow("query, empty answer") << "153" << QByteArray() << "timeout(NO)";
    QTest::newRow("query, answer cut short") << "153" << QByteArray::fromHex("01") << "timeout(NO)";
    QTest::newRow("send once") << "350" << QByteArray::fromHex("0100") << "----";
    QTest::newRow("send twice") << "32" << QByteArray::fromHex("0100") << "----";
    QTest::newRow("send once, not answered at all") << "350" << QByteArray() << "timeout(NO)";
}

void TestConsoleTabBus::answerTexts()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, answer);
    QFETCH(QString, shown);

    // The text depends on the class of the frame the link sent and on the answer: once the
    // command's own exchange is over, each answer is shown against that frame.
    runStep("cmdtext " + command);
    button("sendPushButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(edit("daliResponseLineEdit")->text() != QStringLiteral("-----") && linkIdle(), 5000);
    window->processDaliConsoleDisplay(answer);
    QCOMPARE(edit("daliResponseLineEdit")->text(), shown);
}

void TestConsoleTabBus::invalidRowHaltsRun()
{
    for (const char* step : {"cmd 5", "delay 0", "add", "cmd 6", "add", "cmd 153", "add"})
        runStep(QString::fromLatin1(step));
    table()->item(1, 3)->setText(QString());

    QPushButton* start = button("seqStartPushButton");
    start->click();
    QLabel* errorLabel = widget<QLabel>("cloErrorLabel");
    QVERIFY(!errorLabel->isHidden());
    QCOMPARE(errorLabel->text(), INVALID_ROW);
    // Row 1 goes out; after its answer row 2 comes up, is selected and nothing is sent for it.
    QTRY_COMPARE_WITH_TIMEOUT(table()->currentRow(), 1, 5000);
    QVERIFY(linkIdle());
    QCOMPARE(start->text(), QStringLiteral("Stop"));
    QCOMPARE(busFrames(), QStringList{"ff05"});

    start->click();
    QCOMPARE(start->text(), QStringLiteral("Start"));
    // Started again, the run goes on with the row after the invalid one.
    start->click();
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Start"), 5000);
    QCOMPARE(busFrames(), (QStringList{"ff05", "ff99"}));
    QCOMPARE(cell(1, 6), QString());
    QCOMPARE(cell(2, 6), QStringLiteral("0x06"));
}

void TestConsoleTabBus::unansweredRowTimesOut()
{
    for (const char* step : {"cmd 5", "delay 0", "add", "cmd 153", "add"})
        runStep(QString::fromLatin1(step));
    // The tool says nothing to row 1 (answer wait 4 s), then answers again.
    tool->setSilent(true);
    connect(&window->serialLink(), &SerialCommunication::communicateError, tool.get(),
            [this] { tool->setSilent(false); });

    QPushButton* start = button("seqStartPushButton");
    start->click();
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Start"), 15000);
    QCOMPARE(cell(0, 6), QStringLiteral("timeout(NO)"));
    QCOMPARE(cell(1, 6), QStringLiteral("0x06"));
    QCOMPARE(toolFrames(), (QStringList{"ff0501", "ff9903"}));
}

void TestConsoleTabBus::toolLostEndsRun_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::newRow("while its commands are answered") << 0;
    // Noticed from the hang-up itself, not 10 s later from the item's send.
    QTest::newRow("while it waits out an item's delay") << 10000;
}

void TestConsoleTabBus::toolLostEndsRun()
{
    QFETCH(int, delayMs);
    for (const QString& step : {QString("cmd 153"), QString("delay %1").arg(delayMs), QString("add"), QString("loop")})
        runStep(step);
    QPushButton* start = button("seqStartPushButton");
    start->click();
    if (delayMs == 0)
        QTRY_VERIFY_WITH_TIMEOUT(completedAtMs.size() >= 2, 5000);

    tool->unplug();
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Start"), 2000);
    QCOMPARE(window->toolState(), 0);
    QCOMPARE(window->consoleEngine().mode(), 0);
    Prompt::clearLog();

    // Starting again needs the tool.
    start->click();
    QCOMPARE(promptTrace(), QStringList{TOOL_WARNING});
    QCOMPARE(start->text(), QStringLiteral("Start"));
    QCOMPARE(window->consoleEngine().mode(), 0);
}

void TestConsoleTabBus::tableEmptiedDuringRun()
{
    for (const char* step : {"cmd 5", "delay 0", "add", "cmd 6", "delay 300", "add"})
        runStep(QString::fromLatin1(step));
    QPushButton* start = button("seqStartPushButton");
    start->click();
    QTRY_COMPARE_WITH_TIMEOUT(completedAtMs.size(), 1, 5000);
    // The rows go while the second item waits for its delay; the run goes on with the copy it
    // started with and ends by itself, its answers having no row left to go to.
    table()->setCurrentCell(0, 0);
    button("seqCmdDelPushButton")->click();
    button("seqCmdDelPushButton")->click();
    QCOMPARE(table()->rowCount(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Start"), 5000);
    QCOMPARE(busFrames().last(), QStringLiteral("ff06"));
    QCOMPARE(table()->rowCount(), 0);

    // A looping run whose rows were all deleted can still be stopped.
    for (const char* step : {"cmd 153", "delay 0", "add", "loop"})
        runStep(QString::fromLatin1(step));
    start->click();
    QTRY_VERIFY_WITH_TIMEOUT(completedAtMs.size() >= 4, 5000);
    table()->setCurrentCell(0, 0);
    button("seqCmdDelPushButton")->click();
    QCOMPARE(table()->rowCount(), 0);
    QCOMPARE(start->text(), QStringLiteral("Stop"));
    start->click();
    QCOMPARE(start->text(), QStringLiteral("Start"));
    QCOMPARE(window->consoleEngine().mode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(linkIdle(), 5000);
    QSignalSpy onBus(tool.get(), &SimProgTool::frameReceived);
    QVERIFY(!onBus.wait(300));
}

QTEST_MAIN(TestConsoleTabBus)
#include "tst_consoletab_bus.moc"
