#include "iprogramming.h"

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
        QObject::connect(&engine, &iProgramming::sendCommand, &link, &SerialCommunication::sendiProgCommand);
        QObject::connect(&link, &SerialCommunication::commandResponse, &engine, &iProgramming::iProgrammingResponse);
        QObject::connect(&link, &SerialCommunication::commandSendComplete, &engine,
                         &iProgramming::sendProgrammingCmdSequence);
        QObject::connect(&link, &SerialCommunication::communicateError, &engine, &iProgramming::processCommError);
        detectTimer.setInterval(200);
        QObject::connect(&engine, &iProgramming::enableDriverDetectTimerSignal, &detectTimer, [this](bool on) {
            if (!on)
                detectTimer.stop();
            else if (!detectTimer.isActive())
                detectTimer.start();
        });
        QObject::connect(&detectTimer, &QTimer::timeout, &engine, &iProgramming::checkDriverConnection);
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

QString joined(const QSignalSpy& spy)
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

    void selectProductModelIsBounded_data();
    void selectProductModelIsBounded();
    void faultsAreRetriedThenGivenUp_data();
    void faultsAreRetriedThenGivenUp();
    void listsArePaddedOrCut_data();
    void listsArePaddedOrCut();
    void stepFadeTimesDriver();
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

void TestIProgramming::selectProductModelIsBounded_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("feature2000");
    QTest::newRow("with the feature") << FADE_TIME_PRODUCT << 1;
    QTest::newRow("without it") << PRODUCT << 0;
    QTest::newRow("past the list") << FADE_TIME_PRODUCT + 1 << 0;
    QTest::newRow("far past the list") << 0xFFFF << 0;
}

void TestIProgramming::selectProductModelIsBounded()
{
    QFETCH(int, index);
    QFETCH(int, feature2000);
    productFeature2000 = 1 - feature2000;
    selectProductModel(index);
    QCOMPARE(productFeature2000, feature2000);
}

using Fault = SimUsbDriver::Fault;

void TestIProgramming::faultsAreRetriedThenGivenUp_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("times");
    QTest::addColumn<QString>("outcome");

    // An invalid answer never fills the record: current stays at 1234 when the read is given up.
    QTest::newRow("read, bad CRC 3x") << "read" << int(Fault::BadCrc) << 19 << 3 << "complete 700";
    QTest::newRow("read, bad CRC 4x") << "read" << int(Fault::BadCrc) << 19 << 4 << "aborted 1234";
    QTest::newRow("read, wrong command 4x") << "read" << int(Fault::WrongCommand) << 19 << 4 << "aborted 1234";
    QTest::newRow("read, short answer 4x") << "read" << int(Fault::ShortAnswer) << 19 << 4 << "aborted 1234";
    QTest::newRow("read, no answer 3x") << "read" << int(Fault::NoAnswer) << 19 << 3 << "complete 700";
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

    // What the operation ended with and how often the command went out, taken when it ends:
    // the driver is found anew afterwards and may be read again.
    QString result;
    int sends = 0;
    auto settle = [&](const QString& r) {
        if (result.isEmpty()) {
            result = r;
            sends = driver.commandLog().count(command);
        }
    };
    QObject::connect(&rig.engine, &iProgramming::productInfoReadUpdateSignal, &rig.engine,
                     [&](int state, QString, int) {
                         if (state == READ_STATE_COMPLETE)
                             settle(QString("complete %1").arg(rig.engine.readRecord().current));
                         else if (state == READ_STATE_ABORT)
                             settle(QString("aborted %1").arg(rig.engine.readRecord().current));
                     });
    rig.findTool();
    QTRY_VERIFY_WITH_TIMEOUT(!result.isEmpty(), LONG_WAIT_MS);
    if (operation == "read") {
        QCOMPARE(result, outcome);
        QCOMPARE(sends, qMin(times + 1, 4));
        return;
    }
    QCOMPARE(result, QString("complete 700"));
    QTRY_COMPARE(rig.engine.operationState(), int(iProgramming::IPROG_DETECTING));

    result.clear();
    driver.clearCommandLog();
    driver.injectFault(Fault(fault), command, times);
    const int readsBefore = rig.reads.count();
    if (operation == "program") {
        QObject::connect(&rig.engine, &iProgramming::programmingStateUpdatedSignal, &rig.engine,
                         [&](ProgStateDef state) {
                             if (state == PROG_STATE_SUCCESS || state == PROG_STATE_FAIL)
                                 settle(joined(rig.states));
                         });
        rig.engine.startProgramming();
    } else {
        QObject::connect(&rig.engine, &iProgramming::resetOptResultSignal, &rig.engine,
                         [&](int) { settle(joined(rig.resets)); });
        rig.engine.startResetOperatingTime();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!result.isEmpty(), LONG_WAIT_MS);
    QCOMPARE(result, outcome);
    QCOMPARE(sends, qMin(times + 1, 4));
    if (operation == "program" && times >= 4) {
        // The failed driver is given up and found again: it is neither read (which would replace
        // the data of the run) nor programmed again while it stays.
        rig.connection.clear();
        QTRY_COMPARE_WITH_TIMEOUT(joined(rig.connection), QString("1"), LONG_WAIT_MS);
        const int probes = driver.commandLog().count(1);
        QTRY_VERIFY_WITH_TIMEOUT(driver.commandLog().count(1) >= probes + 3, LONG_WAIT_MS);
        QCOMPARE(rig.reads.count(), readsBefore);
        QCOMPARE(joined(rig.states), QString("1 2"));
    }
}

void TestIProgramming::listsArePaddedOrCut_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("eight");
    QTest::addColumn<QString>("five");
    QTest::newRow("short lists") << 3 << "01 02 03 00 00 00 00 00" << "01 02 03 00 00";
    QTest::newRow("long lists") << 10 << "01 02 03 04 05 06 07 08" << "01 02 03 04 05";
}

void TestIProgramming::listsArePaddedOrCut()
{
    QFETCH(int, length);
    QFETCH(QString, eight);
    QFETCH(QString, five);

    SimUsbDriver driver(PRODUCT);
    fillDriver(driver);
    UsbRig rig(driver);
    rig.findTool();
    QTRY_VERIFY_WITH_TIMEOUT(rig.readEnded(), LONG_WAIT_MS);

    QList<int> list;
    for (int i = 1; i <= length; ++i)
        list << i;
    ProgDataStructDef& record = rig.engine.writeRecord();
    record.CLO_TimeList = record.CLO_LevelList = record.TimeDimStepList = record.TimeDimLevelList = list;
    rig.engine.startProgramming();
    QTRY_COMPARE_WITH_TIMEOUT(joined(rig.states), QString("1 3"), LONG_WAIT_MS);
    for (int query : {24, 25})
        QCOMPARE(hexText(driver.setting(query)), eight);
    for (int query : {26, 27})
        QCOMPARE(hexText(driver.setting(query)), five);

    // A read into such a record leaves exactly the driver's points.
    rig.reads.clear();
    record.CLO_TimeList = record.TimeDimStepList = list;
    rig.engine.startReadProductInfo();
    QTRY_VERIFY_WITH_TIMEOUT(rig.readEnded(), LONG_WAIT_MS);
    QCOMPARE(rig.engine.readRecord().CLO_TimeList.size(), 8);
    QCOMPARE(rig.engine.readRecord().TimeDimStepList.size(), 5);
}

void TestIProgramming::stepFadeTimesDriver()
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

    ProgDataStructDef& record = rig.engine.writeRecord();
    record.TimeDimFadeTimeList = {5, 4, 3, 2, 1};
    record.userEolTime = 60;
    rig.engine.startProgramming();
    QTRY_COMPARE_WITH_TIMEOUT(joined(rig.states), QString("1 3"), LONG_WAIT_MS);
    QCOMPARE(hexText(driver.setting(29)), QString("05 04 03 02 01"));
    QCOMPARE(hexText(driver.setting(23)), QString("01 01 3C 01"));
}

QTEST_MAIN(TestIProgramming)
#include "tst_iprogramming.moc"
