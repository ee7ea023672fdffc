#include "daliconsole.h"
#include "globals.h"
#include "ptypair.h"
#include "serialcommunication.h"
#include "simprogtool.h"
#include "virtualdriver.h"

#include <QSignalSpy>
#include <QtTest>

// The console engine wired to the serial link as the window wires it, talking through a
// pseudo-terminal to a simulated DALI programming tool with a virtual LED driver on its bus.
class TestDaliConsoleLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void sequenceWithDelaysCountedFromCompletion();
    void loopStoppedAfterTwoRounds();
    void singleStepsSendOneItemEach();

private:
    QList<QPair<quint8, quint8>> busFrames() const { return driver->frames(); }
    static QPair<quint8, quint8> bus(quint8 address, quint8 data) { return qMakePair(address, data); }

    PtyPair* pty = nullptr;
    SimProgTool* tool = nullptr;
    VirtualDriver* driver = nullptr;
    SerialCommunication* link = nullptr;
    DaliConsole* console = nullptr;
    QList<qint64> completedAtMs; // SimProgTool clock, one entry per commandSendComplete
};

void TestDaliConsoleLink::init()
{
    programToolIndex = PROG_TOOL_DALI;
    pty = new PtyPair;
    QVERIFY(pty->isOpen());
    tool = new SimProgTool(pty, SimProgTool::Kind::DaliTool);
    driver = new VirtualDriver;
    tool->setDaliBus(driver);

    link = new SerialCommunication;
    const QString path = pty->slavePath();
    link->setPortLister([path] { return QList<ToolPortInfo>{ftdiToolPort(path)}; });
    link->buildCommandTables();
    link->setWorkMode(SENDER_DALI_CONSOLE);

    console = new DaliConsole;
    console->setEnabled(1);
    // The window's wiring, by string signature as the window makes it.
    QVERIFY(connect(console, SIGNAL(sendCommand(int, int, int, int)), link, SLOT(sendDaliCommand(int, int, int, int))));
    QVERIFY(connect(link, SIGNAL(commandResponse(QByteArray)), console, SLOT(daliConsoleCommandResponse(QByteArray))));
    QVERIFY(connect(link, SIGNAL(commandSendComplete()), console, SLOT(sendDaliConsoleCmdSequence())));
    completedAtMs.clear();
    connect(link, &SerialCommunication::commandSendComplete, this, [this] { completedAtMs << SimProgTool::clockMs(); });

    // Detection: the first pass sends the probe, a later one takes the tool that answered it.
    QStringList linkLog;
    connect(link, &SerialCommunication::debug_msg, this, [&linkLog](const QString& line) { linkLog << line; });
    QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    QTRY_VERIFY_WITH_TIMEOUT(linkLog.contains(QStringLiteral("UART response data: 0100")), 3000);
    disconnect(link, &SerialCommunication::debug_msg, this, nullptr);
    QVERIFY(link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    tool->clearFrames();
    tool->clearSentChunks();
    driver->clearFrames();
}

void TestDaliConsoleLink::cleanup()
{
    delete console;
    delete link;
    delete tool;
    delete driver;
    delete pty;
    console = nullptr;
    link = nullptr;
    tool = nullptr;
    driver = nullptr;
    pty = nullptr;
}

void TestDaliConsoleLink::sequenceWithDelaysCountedFromCompletion()
{
    // A slow tool: were a delay counted from the send, the item would go out before the
    // previous answer is even complete.
    tool->setAnswerDelay(250);
    QSignalSpy shownAnswer(console, &DaliConsole::displayConsoleResponse);
    QSignalSpy finished(console, &DaliConsole::cmdSeqFinish);
    console->addCmdSequenceItem(5, 0xFE, -1, 0);      // RECALL MAX LEVEL, broadcast
    console->addCmdSequenceItem(153, 0xFE, -1, 300);  // QUERY DEVICE TYPE
    console->addCmdSequenceItem(350, 0xFE, 128, 200); // DAPC 128
    console->setLoop(0);
    console->setMode(1);
    console->send();

    QVERIFY(finished.wait(10000));
    QCOMPARE(busFrames(), (QList<QPair<quint8, quint8>>{bus(0xFF, 0x05), bus(0xFF, 0x99), bus(0xFE, 0x80)}));
    QCOMPARE(tool->frameBytes(), (QList<QByteArray>{QByteArray::fromHex("ff0501"), QByteArray::fromHex("ff9903"),
                                                      QByteArray::fromHex("fe8001")}));
    QCOMPARE(shownAnswer.count(), 3);
    QCOMPARE(shownAnswer.at(1).at(0).toByteArray(), QByteArray::fromHex("0106"));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(console->currentIndex(), 1);

    const QList<SimProgTool::Frame> frames = tool->frames();
    QCOMPARE(completedAtMs.size(), 3);
    QVERIFY2(frames.at(1).atMs - completedAtMs.at(0) >= 300,
             qPrintable(QString("item 2 after %1 ms").arg(frames.at(1).atMs - completedAtMs.at(0))));
    QVERIFY2(frames.at(2).atMs - completedAtMs.at(1) >= 200,
             qPrintable(QString("item 3 after %1 ms").arg(frames.at(2).atMs - completedAtMs.at(1))));
}

void TestDaliConsoleLink::loopStoppedAfterTwoRounds()
{
    QSignalSpy shownAnswer(console, &DaliConsole::displayConsoleResponse);
    QSignalSpy finished(console, &DaliConsole::cmdSeqFinish);
    // The user presses Stop while the last item of the second round is on the bus.
    int itemsShown = 0;
    connect(console, &DaliConsole::displayCmdSequenceItem, this, [this, &itemsShown](int row) {
        if (++itemsShown == 4 && row == 1)
            console->stop();
    });
    console->addCmdSequenceItem(5, 0xFE, -1, 0); // RECALL MAX LEVEL
    console->addCmdSequenceItem(6, 0xFE, -1, 0); // RECALL MIN LEVEL
    console->setLoop(1);
    console->setMode(1);
    console->send();

    QTRY_COMPARE_WITH_TIMEOUT(shownAnswer.count(), 4, 10000);
    QSignalSpy onBus(tool, &SimProgTool::frameReceived);
    QVERIFY(!onBus.wait(500));
    QCOMPARE(busFrames(), (QList<QPair<quint8, quint8>>{bus(0xFF, 0x05), bus(0xFF, 0x06), bus(0xFF, 0x05),
                                                         bus(0xFF, 0x06)}));
    QCOMPARE(finished.count(), 0);
    QCOMPARE(console->mode(), 0);
    QCOMPARE(console->currentIndex(), 3);
}

void TestDaliConsoleLink::singleStepsSendOneItemEach()
{
    QSignalSpy shownAnswer(console, &DaliConsole::displayConsoleResponse);
    QSignalSpy finished(console, &DaliConsole::cmdSeqFinish);
    QSignalSpy onBus(tool, &SimProgTool::frameReceived);
    console->addCmdSequenceItem(5, 0xFE, -1, 0);
    console->addCmdSequenceItem(160, 0xFE, -1, 0); // QUERY ACTUAL LEVEL
    console->setLoop(0);
    console->setMode(2);

    console->send();
    QTRY_COMPARE_WITH_TIMEOUT(shownAnswer.count(), 1, 5000);
    QVERIFY(!onBus.wait(300)); // the answer does not advance a step
    console->send();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 5000);
    QCOMPARE(console->currentIndex(), 1);
    console->send();
    QTRY_COMPARE_WITH_TIMEOUT(shownAnswer.count(), 3, 5000);
    QCOMPARE(busFrames(), (QList<QPair<quint8, quint8>>{bus(0xFF, 0x05), bus(0xFF, 0xA0), bus(0xFF, 0x05)}));
}

QTEST_GUILESS_MAIN(TestDaliConsoleLink)
#include "tst_daliconsole_link.moc"
