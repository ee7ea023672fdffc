#include "globals.h"
#include "ptypair.h"
#include "serialcommunication.h"
#include "simprogtool.h"

#include <QSerialPort>
#include <QtTest>

#include <memory>
#include <vector>

// Finding the programming tool among serial ports: pseudo-terminals that carry the identity of
// an FTDI adapter or of the tools' virtual COM port, with a simulated tool behind each.
class TestToolDetect : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void findsTool_data();
    void findsTool();
    void probeCycle_data();
    void probeCycle();
    void portIdentity_data();
    void portIdentity();
    void unopenablePortIsSkipped_data();
    void unopenablePortIsSkipped();
    void answerCountsOnlyForTheProbedPort_data();
    void answerCountsOnlyForTheProbedPort();
    void kindChangeForgetsTheAnswer();
    void onlyProbesGoOutWhileLooking();

private:
    struct Port
    {
        std::unique_ptr<PtyPair> pty;
        std::unique_ptr<SimProgTool> tool;
        ToolPortInfo info;
    };

    Port& addPort(const QString& identity, SimProgTool::Kind kind, int requiredBaud);
    Port& addPort(const QString& manufacturer, quint16 vendor, quint16 product, SimProgTool::Kind kind);
    void waitForProbeOutcome();

    std::vector<Port> ports; // room reserved up front: tests hold references across addPort
    SerialCommunication* link = nullptr;
    QStringList debugLines;
    QList<int> errors;
};

Q_DECLARE_METATYPE(SimProgTool::Kind)

void TestToolDetect::init()
{
    programToolIndex = PROG_TOOL_DALI;
    debugLines.clear();
    errors.clear();
    ports.reserve(4);
    link = new SerialCommunication;
    link->buildCommandTables();
    link->setPortLister([this] {
        QList<ToolPortInfo> list;
        for (const Port& port : ports)
            list.append(port.info);
        return list;
    });
    connect(link, &SerialCommunication::debug_msg, this, [this](const QString& line) { debugLines.append(line); });
    connect(link, &SerialCommunication::communicateError, this, [this](int type) { errors.append(type); });
}

void TestToolDetect::cleanup()
{
    delete link;
    link = nullptr;
    ports.clear();
    programToolIndex = PROG_TOOL_DALI;
}

TestToolDetect::Port& TestToolDetect::addPort(const QString& manufacturer, quint16 vendor, quint16 product,
                                              SimProgTool::Kind kind)
{
    Port port;
    port.pty = std::make_unique<PtyPair>();
    port.tool = std::make_unique<SimProgTool>(port.pty.get(), kind);
    port.info.portName = port.pty->slavePath();
    port.info.manufacturer = manufacturer;
    port.info.vendorIdentifier = vendor;
    port.info.productIdentifier = product;
    ports.push_back(std::move(port));
    return ports.back();
}

TestToolDetect::Port& TestToolDetect::addPort(const QString& identity, SimProgTool::Kind kind, int requiredBaud)
{
    Port& port = identity == QLatin1String("FTDI") ? addPort(QStringLiteral("FTDI"), 0x0403, 0x6001, kind)
                                                   : addPort(QStringLiteral("STMicroelectronics"), 0x0483, 0x5740, kind);
    port.tool->setRequiredBaudRate(requiredBaud);
    return port;
}

void TestToolDetect::waitForProbeOutcome()
{
    QTRY_VERIFY_WITH_TIMEOUT(!link->transactionEngine().isAwaitingAnswer(), 5000);
}

void TestToolDetect::findsTool_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("identity");
    QTest::addColumn<SimProgTool::Kind>("toolKind");
    QTest::addColumn<int>("requiredBaud");
    QTest::addColumn<QByteArray>("probe");
    QTest::addColumn<int>("takenBaud");

    QTest::newRow("DALI tool behind FTDI") << 0 << "FTDI" << SimProgTool::Kind::DaliTool << 19200
                                           << QByteArray::fromHex("c10001") << 19200;
    QTest::newRow("DALI tool on virtual COM port")
        << 0 << "VCP" << SimProgTool::Kind::DaliTool << 0 << QByteArray::fromHex("fa05fe0300") << 19200;
    QTest::newRow("USB tool behind FTDI, deaf at 19200")
        << 1 << "FTDI" << SimProgTool::Kind::UsbTool << 1200 << QByteArray::fromHex("c10001") << 1200;
    QTest::newRow("USB tool on virtual COM port")
        << 1 << "VCP" << SimProgTool::Kind::UsbTool << 0 << QByteArray::fromHex("fa06fe0100ff") << 19200;
}

void TestToolDetect::findsTool()
{
    QFETCH(int, kind);
    QFETCH(QString, identity);
    QFETCH(SimProgTool::Kind, toolKind);
    QFETCH(int, requiredBaud);
    QFETCH(QByteArray, probe);
    QFETCH(int, takenBaud);
    programToolIndex = kind;
    Port& port = addPort(identity, toolKind, requiredBaud);

    QVERIFY(!link->checkToolPort(kind));
    QVERIFY(!link->isToolConnected());
    QTRY_COMPARE_WITH_TIMEOUT(port.tool->frameBytes(), QList<QByteArray>{probe}, 2000);
    waitForProbeOutcome();

    QVERIFY(link->checkToolPort(kind));
    QVERIFY(link->isToolConnected());
    QCOMPARE(link->matchedPort().portName, port.info.portName);
    QCOMPARE(link->transactionEngine().portName(), port.info.portName);
    QCOMPARE(port.tool->lineBaudRate(), takenBaud);
    QVERIFY(!errors.contains(COMM_ERR_PORT));
    // The tool is taken on the answer (or silence) of the earlier pass: nothing more is sent.
    QSignalSpy frames(port.tool.get(), &SimProgTool::frameReceived);
    QVERIFY(!frames.wait(200));
    QCOMPARE(port.tool->frames().size(), 1);
}

void TestToolDetect::probeCycle_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("toolAnswers");
    QTest::addColumn<QList<int>>("probesAfterPass"); // every pass returns false

    // Looking for the USB tool, an FTDI port that answers the DALI probe is passed over.
    QTest::newRow("kind 1, FTDI port that answers") << 1 << true << QList<int>{1, 1, 2, 2, 3};
    // Looking for the DALI tool, a silent FTDI port is probed every other pass.
    QTest::newRow("kind 0, silent FTDI port") << 0 << false << QList<int>{1, 1, 2, 2, 3};
}

void TestToolDetect::probeCycle()
{
    QFETCH(int, kind);
    QFETCH(bool, toolAnswers);
    QFETCH(QList<int>, probesAfterPass);
    programToolIndex = kind;
    Port& port = addPort(QStringLiteral("FTDI"), SimProgTool::Kind::DaliTool, 19200);
    port.tool->setSilent(!toolAnswers);
    for (int expected : probesAfterPass) {
        QVERIFY(!link->checkToolPort(kind));
        QTRY_COMPARE_WITH_TIMEOUT(port.tool->frames().size(), expected, 2000);
        waitForProbeOutcome();
    }
    for (const QByteArray& frame : port.tool->frameBytes())
        QCOMPARE(frame.toHex(), QByteArray("c10001"));
}

void TestToolDetect::portIdentity_data()
{
    QTest::addColumn<QString>("manufacturer");
    QTest::addColumn<int>("vendor");
    QTest::addColumn<int>("product");
    QTest::addColumn<QByteArray>("probe"); // empty: the port is passed over unopened

    QTest::newRow("FTDI") << "FTDI" << 0x0403 << 0x6001 << QByteArray::fromHex("c10001");
    QTest::newRow("FTDI written in lower case") << "ftdi" << 0x0403 << 0x6001 << QByteArray();
    QTest::newRow("FTDI adapter, other product") << "FTDI" << 0x0403 << 0x6015 << QByteArray();
    QTest::newRow("virtual COM port, any maker") << "Kavro" << 0x0483 << 0x5740 << QByteArray::fromHex("fa05fe0300");
    QTest::newRow("virtual COM port, no maker") << "" << 0x0483 << 0x5740 << QByteArray::fromHex("fa05fe0300");
    QTest::newRow("other adapter") << "Prolific" << 0x067b << 0x2303 << QByteArray();
}

void TestToolDetect::portIdentity()
{
    QFETCH(QString, manufacturer);
    QFETCH(int, vendor);
    QFETCH(int, product);
    QFETCH(QByteArray, probe);
    Port& port = addPort(manufacturer, quint16(vendor), quint16(product), SimProgTool::Kind::DaliTool);
    port.tool->setSilent(true);
    QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    if (probe.isEmpty()) {
        QVERIFY(!link->transactionEngine().isOpen());
        QSignalSpy frames(port.tool.get(), &SimProgTool::frameReceived);
        QVERIFY(!frames.wait(300));
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(port.tool->frameBytes(), QList<QByteArray>{probe}, 2000);
    }
}

void TestToolDetect::unopenablePortIsSkipped_data()
{
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("errorCode");
    QTest::newRow("held by another program") << true << 2;
    QTest::newRow("adapter pulled") << false << 1;
}

void TestToolDetect::unopenablePortIsSkipped()
{
    QFETCH(bool, busy);
    QFETCH(int, errorCode);
    Port& bad = addPort(QStringLiteral("FTDI"), SimProgTool::Kind::DaliTool, 19200);
    Port& good = addPort(QStringLiteral("FTDI"), SimProgTool::Kind::DaliTool, 19200);
    const QString badName = bad.info.portName;
    QSerialPort other;
    if (busy) {
        other.setPortName(badName);
        QVERIFY(other.open(QIODevice::ReadWrite));
    } else {
        bad.tool->unplug();
    }

    QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    QCOMPARE(debugLines, QStringList{QStringLiteral("Can't open serial port %1, error code %2, skipped").arg(badName).arg(errorCode)});
    QTRY_COMPARE_WITH_TIMEOUT(good.tool->frameBytes(), QList<QByteArray>{QByteArray::fromHex("c10001")}, 2000);
    waitForProbeOutcome();
    QVERIFY(link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    QCOMPARE(link->matchedPort().portName, good.info.portName);
    QVERIFY(!errors.contains(COMM_ERR_PORT));
}

void TestToolDetect::answerCountsOnlyForTheProbedPort_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("identity");
    QTest::addColumn<SimProgTool::Kind>("toolA");
    QTest::addColumn<int>("baudA");
    QTest::addColumn<SimProgTool::Kind>("toolB");
    QTest::addColumn<int>("baudB");
    QTest::addColumn<int>("passes");   // the last pass returns true, the others false
    QTest::addColumn<int>("takenPort"); // 0 = A, 1 = B
    QTest::addColumn<int>("takenBaud");

    // Taking B on the strength of the probe that went to A would pick the DALI tool as the USB tool.
    QTest::newRow("kind 1: USB tool behind FTDI A, DALI tool behind FTDI B")
        << 1 << "FTDI" << SimProgTool::Kind::UsbTool << 1200 << SimProgTool::Kind::DaliTool << 19200 << 2 << 0 << 1200;
    QTest::newRow("kind 1: DALI tool behind FTDI A, USB tool behind FTDI B")
        << 1 << "FTDI" << SimProgTool::Kind::DaliTool << 19200 << SimProgTool::Kind::UsbTool << 1200 << 3 << 1 << 1200;
    QTest::newRow("kind 0: silent FTDI A, DALI tool behind FTDI B")
        << 0 << "FTDI" << SimProgTool::Kind::UsbTool << 1200 << SimProgTool::Kind::DaliTool << 19200 << 3 << 1 << 19200;
    // B's answer must not be credited to A.
    QTest::newRow("kind 1: DALI tool on virtual COM port A, USB tool on virtual COM port B")
        << 1 << "VCP" << SimProgTool::Kind::DaliTool << 0 << SimProgTool::Kind::UsbTool << 0 << 3 << 1 << 19200;
}

void TestToolDetect::answerCountsOnlyForTheProbedPort()
{
    QFETCH(int, kind);
    QFETCH(QString, identity);
    QFETCH(SimProgTool::Kind, toolA);
    QFETCH(int, baudA);
    QFETCH(SimProgTool::Kind, toolB);
    QFETCH(int, baudB);
    QFETCH(int, passes);
    QFETCH(int, takenPort);
    QFETCH(int, takenBaud);
    programToolIndex = kind;
    addPort(identity, toolA, baudA);
    addPort(identity, toolB, baudB);

    for (int pass = 1; pass < passes; ++pass) {
        QVERIFY2(!link->checkToolPort(kind), qPrintable(QStringLiteral("pass %1").arg(pass)));
        waitForProbeOutcome();
    }
    QVERIFY(link->checkToolPort(kind));
    const Port& taken = ports.at(size_t(takenPort));
    QCOMPARE(link->matchedPort().portName, taken.info.portName);
    QCOMPARE(link->transactionEngine().portName(), taken.info.portName);
    QCOMPARE(taken.tool->lineBaudRate(), takenBaud);
}

void TestToolDetect::kindChangeForgetsTheAnswer()
{
    programToolIndex = PROG_TOOL_DALI;
    Port& port = addPort(QStringLiteral("FTDI"), SimProgTool::Kind::DaliTool, 19200);
    QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    QTRY_VERIFY_WITH_TIMEOUT(debugLines.contains(QStringLiteral("UART response data: 0100")), 2000);

    // The user picks the USB tool before the next pass: the DALI tool's answer is forgotten and
    // the port is probed afresh instead of being passed over (or taken) on the old answer.
    programToolIndex = PROG_TOOL_IPROG;
    QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_IPROG));
    QTRY_COMPARE_WITH_TIMEOUT(port.tool->frames().size(), 2, 2000);
    waitForProbeOutcome();
    QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_IPROG));
    QVERIFY(!link->isToolConnected());
}

void TestToolDetect::onlyProbesGoOutWhileLooking()
{
    // A console command between the pass that probed the tool and the pass that takes it would
    // reach the tool and have its answer taken for the probe's: it is turned away at once, and
    // the same command goes out once the tool is taken.
    Port& port = addPort(QStringLiteral("FTDI"), SimProgTool::Kind::DaliTool, 19200);
    QSignalSpy answers(link, &SerialCommunication::commandResponse);
    QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    waitForProbeOutcome();

    link->sendDaliCommand(160, 0xFE, 0, SENDER_DALI_CONSOLE);
    QCOMPARE(errors, QList<int>{COMM_ERR_NO_TOOL});
    QVERIFY(!link->transactionEngine().isAwaitingAnswer());
    QVERIFY(link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    QCOMPARE(port.tool->frameBytes(), QList<QByteArray>{QByteArray::fromHex("c10001")});

    link->sendDaliCommand(160, 0xFE, 0, SENDER_DALI_CONSOLE);
    QVERIFY(answers.wait());
    QCOMPARE(port.tool->frameBytes().last().toHex(' '), QByteArray("ff a0 03"));
    QCOMPARE(errors, QList<int>{COMM_ERR_NO_TOOL});
}

QTEST_GUILESS_MAIN(TestToolDetect)
#include "tst_tooldetect.moc"
