#include "iprogramming.h"

#include "enginewiring.h"
#include "globals.h"
#include "ptypair.h"
#include "serialcommunication.h"
#include "simprogtool.h"
#include "simusbdriver.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

// The USB programming tool engine end to end: the serial link on a pseudo-terminal, the simulated
// USB tool (on its virtual COM port) on the other side, a simulated driver behind it. Wired as
// the window wires them; the window's driver-detection timer ticks faster here.
struct UsbRig
{
    PtyPair pty;
    SimProgTool tool{&pty, SimProgTool::Kind::UsbTool};
    SerialCommunication link;
    iProgramming engine;
    QTimer detectTimer;
    QSignalSpy states{&engine, &iProgramming::programmingStateUpdatedSignal};
    QSignalSpy reads{&engine, &iProgramming::productInfoReadUpdateSignal};
    QSignalSpy connection{&engine, &iProgramming::driverConnectionStateChangeSignal};
    QSignalSpy resets{&engine, &iProgramming::resetOptResultSignal};

    explicit UsbRig(SimUsbDriver& driver)
    {
        driver.attachTo(tool);
        link.buildCommandTables();
        link.setWorkMode(SENDER_IPROG);
        link.setPortLister([this] {
            ToolPortInfo info;
            info.portName = pty.slavePath();
            info.vendorIdentifier = 0x0483;
            info.productIdentifier = 0x5740;
            return QList<ToolPortInfo>{info};
        });
        connectEngineToLink(engine, link);
        detectTimer.setInterval(200);
        connectDetectTimer(engine, detectTimer);
        engine.setEnabled(1);
    }

    // Two detection passes: the first probes the port, the second finds the answer.
    void findTool()
    {
        QVERIFY(pty.isOpen());
        QSignalSpy linkLog(&link, &SerialCommunication::debug_msg);
        QVERIFY(!link.checkToolPort(SerialCommunication::TOOL_KIND_IPROG));
        QTRY_VERIFY(!linkLog.isEmpty() && linkLog.last().at(0).toString() == "UART response data: 01");
        QVERIFY(link.checkToolPort(SerialCommunication::TOOL_KIND_IPROG));
        engine.toolConnectionStateChange(1);
    }

    bool readEnded() const { return !reads.isEmpty() && reads.last().at(0).toInt() != READ_STATE_PROGRESS; }
};

namespace {

constexpr int LONG_WAIT_MS = 30000;
constexpr int PRODUCT = 120;
constexpr int FADE_TIME_PRODUCT = 121;

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QString hexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

void fillDriver(SimUsbDriver& d)
{
    d.setSetting(18, hex("02"));
    d.setSetting(19, hex("BC 02"));
    d.setSetting(23, hex("01 01 32 01"));
    d.setSetting(24, hex("00 0B 15 29 3D 51 5B 65"));
    d.setSetting(26, hex("79 83 8D 97 A1"));
    d.setSetting(29, d.setting(29).size() == 5 ? hex("01 02 03 04 05") : hex("32"));
    d.setSetting(30, hex("05 01"));
}

QString joined(const QList<QList<QVariant>>& spy)
{
    QStringList l;
    for (const QList<QVariant>& a : spy)
        l << QString::number(a.at(0).toInt());
    return l.join(' ');
}

} // namespace

class TestIProgramming : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void driverPastTheProductList();
    void faultsAreRetriedThenGivenUp_data();
    void faultsAreRetriedThenGivenUp();
    void stepFadeTimesDriverAndListLengths();
    void requestsBetweenTwoProbes_data();
    void requestsBetweenTwoProbes();
};

void TestIProgramming::initTestCase()
{
    productList.clear();
    for (int i = 0; i <= FADE_TIME_PRODUCT; ++i) {
        ProductRecord r;
        r.index = i;
        r.driverFeature = i == FADE_TIME_PRODUCT ? 0x37FF : 0x17FF;
        productList.append(r);
    }
}

void TestIProgramming::init()
{
    programToolIndex = PROG_TOOL_IPROG;
    profileLoaded = 0;
    productFeature2000 = 0;
}

// A driver whose product index is past the product list is read as a product without the step
// fade times, and nothing reads past the list's end.
void TestIProgramming::driverPastTheProductList()
{
    SimUsbDriver driver(FADE_TIME_PRODUCT + 100);
    fillDriver(driver);
    UsbRig rig(driver);
    productFeature2000 = 1;
    rig.findTool();
    QTRY_VERIFY_WITH_TIMEOUT(rig.readEnded(), LONG_WAIT_MS);
    QCOMPARE(rig.reads.last().at(0).toInt(), int(READ_STATE_COMPLETE));
    QCOMPARE(productFeature2000, 0);
    QCOMPARE(int(rig.engine.readRecord().userEolTime), 50);
}

using Fault = SimUsbDriver::Fault;

void TestIProgramming::faultsAreRetriedThenGivenUp_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("times");
    QTest::addColumn<QString>("outcome");

    // Read: "2 700" complete, "1 1234" given up; an invalid answer never fills the record, so
    // the current stays at 1234. Program: the states sent. Reset: the result.
    QTest::newRow("read, bad CRC 3x") << "read" << int(Fault::BadCrc) << 19 << 3 << "2 700";
    QTest::newRow("read, bad CRC 4x") << "read" << int(Fault::BadCrc) << 19 << 4 << "1 1234";
    QTest::newRow("read, wrong command 4x") << "read" << int(Fault::WrongCommand) << 19 << 4 << "1 1234";
    QTest::newRow("read, short answer 4x") << "read" << int(Fault::ShortAnswer) << 19 << 4 << "1 1234";
    QTest::newRow("read, no answer 3x") << "read" << int(Fault::NoAnswer) << 19 << 3 << "2 700";
    QTest::newRow("program, wrong ack 3x") << "program" << int(Fault::WrongAck) << 7 << 3 << "1 3";
    QTest::newRow("program, wrong ack 4x") << "program" << int(Fault::WrongAck) << 7 << 4 << "1 2";
    QTest::newRow("program, last command bad CRC 4x") << "program" << int(Fault::BadCrc) << 13 << 4 << "1 2";
    QTest::newRow("reset, short answer 4x") << "reset" << int(Fault::ShortAnswer) << 12 << 4 << "0";
    QTest::newRow("reset, no answer 1x") << "reset" << int(Fault::NoAnswer) << 12 << 1 << "1";
}

void TestIProgramming::faultsAreRetriedThenGivenUp()
{
    QFETCH(QString, operation);
    QFETCH(int, fault);
    QFETCH(int, command);
    QFETCH(int, times);
    QFETCH(QString, outcome);

    SimUsbDriver driver(PRODUCT);
    fillDriver(driver);
    UsbRig rig(driver);
    rig.engine.writeRecord().current = 1234;
    if (operation == "read")
        driver.injectFault(Fault(fault), command, times);

    // How the operation ended and how often the command had gone out by then: the driver is
    // found anew afterwards and may be read again.
    QString result;
    int sends = 0;
    // What the spies held when it ended: the engine goes on at once, before the test looks.
    int connectionsBefore = 0;
    int readsBefore = 0;
    auto settle = [&](const QString& r) {
        if (result.isEmpty()) {
            result = r;
            sends = driver.commandLog().count(command);
            connectionsBefore = rig.connection.count();
            readsBefore = rig.reads.count();
        }
    };
    QObject::connect(&rig.engine, &iProgramming::productInfoReadUpdateSignal, &rig.engine, [&](int state, QString, int) {
        if (state != READ_STATE_PROGRESS)
            settle(QString("%1 %2").arg(state).arg(rig.engine.readRecord().current));
    });
    QObject::connect(&rig.engine, &iProgramming::programmingStateUpdatedSignal, &rig.engine, [&](ProgStateDef state) {
        if (state == PROG_STATE_SUCCESS || state == PROG_STATE_FAIL)
            settle(joined(rig.states));
    });
    QObject::connect(&rig.engine, &iProgramming::resetOptResultSignal, &rig.engine, [&](int) { settle(joined(rig.resets)); });
    rig.findTool();
    QTRY_VERIFY_WITH_TIMEOUT(!result.isEmpty(), LONG_WAIT_MS);
    if (operation != "read") {
        QCOMPARE(result, QString("2 700"));
        QTRY_COMPARE(rig.engine.operationState(), int(iProgramming::IPROG_DETECTING));
        result.clear();
        driver.clearCommandLog();
        driver.injectFault(Fault(fault), command, times);
        if (operation == "program")
            rig.engine.startProgramming();
        else
            rig.engine.startResetOperatingTime();
        QTRY_VERIFY_WITH_TIMEOUT(!result.isEmpty(), LONG_WAIT_MS);
    }
    QCOMPARE(result, outcome);
    QCOMPARE(sends, qMin(times + 1, 4));
    if (operation == "program" && times >= 4) {
        // The failed driver is given up and found again: it is neither read (which would replace
        // the data of the run) nor programmed again while it stays.
        QTRY_COMPARE_WITH_TIMEOUT(joined(rig.connection.mid(connectionsBefore)), QString("0 1"), LONG_WAIT_MS);
        const int probes = driver.commandLog().count(1);
        QTRY_VERIFY_WITH_TIMEOUT(driver.commandLog().count(1) >= probes + 3, LONG_WAIT_MS);
        QCOMPARE(rig.reads.count(), readsBefore);
        QCOMPARE(joined(rig.states), QString("1 2"));
    }
}

void TestIProgramming::stepFadeTimesDriverAndListLengths()
{
    SimUsbDriver driver(FADE_TIME_PRODUCT, true);
    fillDriver(driver);
    UsbRig rig(driver);
    rig.findTool();
    QTRY_VERIFY_WITH_TIMEOUT(rig.readEnded(), LONG_WAIT_MS);
    // Query 29 answers five fade times; the EOL time comes with the function enables.
    QCOMPARE(rig.reads.last().at(0).toInt(), int(READ_STATE_COMPLETE));
    QCOMPARE(productFeature2000, 1);
    QCOMPARE(rig.engine.readRecord().TimeDimFadeTimeList, (QList<int>{1, 2, 3, 4, 5}));
    QCOMPARE(int(rig.engine.readRecord().userEolTime), 50);

    // Every list goes out at its length in the driver, padded with 0 or cut.
    const QList<int> shortList{5, 4, 3};
    const QList<int> longList{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ProgDataStructDef& record = rig.engine.writeRecord();
    record.TimeDimFadeTimeList = record.CLO_LevelList = record.TimeDimLevelList = shortList;
    record.CLO_TimeList = record.TimeDimStepList = longList;
    record.userEolTime = 60;
    rig.engine.startProgramming();
    QTRY_COMPARE_WITH_TIMEOUT(joined(rig.states), QString("1 3"), LONG_WAIT_MS);
    QCOMPARE(hexText(driver.setting(29)), QString("05 04 03 00 00"));
    QCOMPARE(hexText(driver.setting(23)), QString("01 01 3C 01"));
    QCOMPARE(hexText(driver.setting(24)), QString("01 02 03 04 05 06 07 08"));
    QCOMPARE(hexText(driver.setting(25)), QString("05 04 03 00 00 00 00 00"));
    QCOMPARE(hexText(driver.setting(26)), QString("01 02 03 04 05"));
    QCOMPARE(hexText(driver.setting(27)), QString("05 04 03 00 00"));
}

void TestIProgramming::requestsBetweenTwoProbes_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<bool>("program"); // Program clicked as well; else the driver is pulled
    QTest::addColumn<QString>("states");
    QTest::addColumn<QString>("resets");

    // The run announced on the next probe ends; the other request waits for the probe after it.
    QTest::newRow("read and Program") << "read" << true << "1 3" << "";
    QTest::newRow("reset and Program") << "reset" << true << "1 3" << "1";
    // A reset belongs to the driver it was asked for: it fails with it, the next one is not reset.
    QTest::newRow("reset, driver pulled") << "reset" << false << "" << "0";
}

void TestIProgramming::requestsBetweenTwoProbes()
{
    QFETCH(QString, request);
    QFETCH(bool, program);
    QFETCH(QString, states);
    QFETCH(QString, resets);

    SimUsbDriver driver(PRODUCT);
    fillDriver(driver);
    UsbRig rig(driver);
    rig.findTool();
    QTRY_VERIFY_WITH_TIMEOUT(rig.readEnded(), LONG_WAIT_MS);
    const int readsBefore = rig.reads.count();
    if (request == "read")
        rig.engine.startReadProductInfo();
    else
        rig.engine.startResetOperatingTime();
    if (program)
        rig.engine.startProgramming();
    else
        driver.setPluggedIn(false);

    QTRY_COMPARE_WITH_TIMEOUT(joined(rig.resets), resets, LONG_WAIT_MS);
    if (!program) {
        driver.setPluggedIn(true);
        driver.clearCommandLog();
    }
    // A read follows the run, or finds the driver plugged in again.
    if (request == "read" || !program) {
        QTRY_VERIFY_WITH_TIMEOUT(rig.reads.count() > readsBefore + 1 && rig.readEnded(), LONG_WAIT_MS);
        QCOMPARE(rig.reads.last().at(0).toInt(), int(READ_STATE_COMPLETE));
    }
    QCOMPARE(joined(rig.states), states);
    QCOMPARE(joined(rig.resets), resets);
    if (!program)
        QCOMPARE(driver.commandLog().count(iProgramming::CMD_SET_OR_CLEAR_MODULE_OPERATION_HOUR), 0);
}

QTEST_MAIN(TestIProgramming)
#include "tst_iprogramming.moc"
