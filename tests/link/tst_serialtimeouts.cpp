#include "globals.h"
#include "ptypair.h"
#include "serialcommunication.h"
#include "simprogtool.h"

#include <QRegularExpression>
#include <QtTest>

// How long the link waits for a first answer byte, request by request: four times the wait
// time each kind of request is sent with. These run on real time, so they have an executable of
// their own (the 12 s boot wait has another) and ctest runs them side by side.
class TestSerialTimeouts : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void answerWait_data();
    void answerWait();

private:
    PtyPair* pty = nullptr;
    SimProgTool* tool = nullptr;
    SerialCommunication* link = nullptr;
    QStringList debugLines;
};

void TestSerialTimeouts::init()
{
    programToolIndex = PROG_TOOL_DALI;
    debugLines.clear();
    pty = new PtyPair;
    QVERIFY(pty->isOpen());
    tool = new SimProgTool(pty, SimProgTool::Kind::DaliTool);
    link = new SerialCommunication;
    link->buildCommandTables();
    connect(link, &SerialCommunication::debug_msg, this, [this](const QString& line) { debugLines.append(line); });
}

void TestSerialTimeouts::cleanup()
{
    delete link;
    delete tool;
    delete pty;
    link = nullptr;
    tool = nullptr;
    pty = nullptr;
    programToolIndex = PROG_TOOL_DALI;
}

void TestSerialTimeouts::answerWait_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("waitMs");

    QTest::newRow("DALI command") << "dali" << 4000;
    QTest::newRow("repeat of a send-twice DALI frame") << "repeat" << 400;
    QTest::newRow("USB tool frame") << "iprog" << 1600;
    QTest::newRow("DALI tool probe on FTDI port") << "probe ftdi" << 400;
    QTest::newRow("DALI tool probe on virtual COM port") << "probe vcp dali" << 4000;
    QTest::newRow("USB tool probe on virtual COM port") << "probe vcp iprog" << 400;
}

void TestSerialTimeouts::answerWait()
{
    QFETCH(QString, request);
    QFETCH(int, waitMs);
    const bool probe = request.startsWith(QLatin1String("probe"));
    ToolPortInfo port;
    port.portName = pty->slavePath();
    port.manufacturer = QStringLiteral("FTDI");
    port.vendorIdentifier = request.startsWith(QLatin1String("probe vcp")) ? 0x0483 : 0x0403;
    port.productIdentifier = request.startsWith(QLatin1String("probe vcp")) ? 0x5740 : 0x6001;
    link->setPortLister([port] { return QList<ToolPortInfo>{port}; });

    if (!probe) {
        QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
        QTRY_VERIFY_WITH_TIMEOUT(debugLines.contains(QStringLiteral("UART response data: 0100")), 2000);
        QVERIFY(link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    }
    tool->setSilent(true);
    QSignalSpy errors(link, &SerialCommunication::communicateError);
    debugLines.clear();
    // Only the frames and answers of this request count: the detection's probe went before.
    tool->clearFrames();
    tool->clearSentChunks();

    qint64 start = SimProgTool::clockMs();
    if (request == QLatin1String("dali")) {
        link->sendDaliCommand(160, 0xFE, 0, SENDER_DALI_CONSOLE);
    } else if (request == QLatin1String("repeat")) {
        // The first answer asks for the repeat, which then goes unanswered.
        tool->setSilent(false);
        tool->queueAnswer(QByteArray::fromHex("0100"));
        tool->queueAnswer(QByteArray());
        link->setWorkMode(SENDER_DALI_PROGRAMMING);
        link->sendDaliCommand(129, 0xFE, 0, SENDER_DALI_PROGRAMMING);
        QTRY_COMPARE_WITH_TIMEOUT(tool->frames().size(), 2, 2000); // the frame and its repeat
        start = tool->sentChunks().at(0).atMs + 40; // the repeat leaves when the read time ends
    } else if (request == QLatin1String("iprog")) {
        programToolIndex = PROG_TOOL_IPROG;
        link->setWorkMode(SENDER_IPROG);
        link->sendiProgCommand(1, QByteArray(), SENDER_IPROG);
    } else if (request == QLatin1String("probe vcp iprog")) {
        programToolIndex = PROG_TOOL_IPROG;
        QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_IPROG));
    } else {
        QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    }

    QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, waitMs + 1500);
    const qint64 waited = SimProgTool::clockMs() - start;
    QVERIFY2(waited >= waitMs - 2, qPrintable(QStringLiteral("waited %1 ms").arg(waited)));
    QCOMPARE(errors.at(0).at(0).toInt(), int(COMM_ERR_TIMEOUT));
    const QRegularExpression text(QStringLiteral("^Write timeout \\d\\d:\\d\\d:\\d\\d\\d, error: .+$"));
    QVERIFY2(text.match(debugLines.last()).hasMatch(), qPrintable(debugLines.last()));
    QVERIFY(!errors.wait(300));
}

QTEST_GUILESS_MAIN(TestSerialTimeouts)
#include "tst_serialtimeouts.moc"
