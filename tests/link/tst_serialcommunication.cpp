#include "globals.h"
#include "ptypair.h"
#include "serialcommunication.h"
#include "simprogtool.h"

#include <QtTest>

// Framing, routing and the send-twice repeat of the serial link, against a simulated DALI
// programming tool on a pseudo-terminal that the link found through its own detection.
class TestSerialCommunication : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void slotsAndSignalsByName_data();
    void slotsAndSignalsByName();
    void commandTables_data();
    void commandTables();
    void daliCommandFrames_data();
    void daliCommandFrames();
    void sendTwiceIsRepeatedOnce();
    void answerPassedOnUnchanged_data();
    void answerPassedOnUnchanged();
    void answerForAnotherWorkModeIsDropped();
    void switchedOffSenderLeavesExchangeInFlight();
    void requestsNotSent_data();
    void requestsNotSent();
    void usbToolFrames_data();
    void usbToolFrames();
    void emptyNameTablesLogNumbers();
    void bootFrames_data();
    void bootFrames();
    void toolVanishesWhileConnected();

private:
    void connectTool();

    PtyPair* pty = nullptr;
    SimProgTool* tool = nullptr;
    SerialCommunication* link = nullptr;
    QStringList debugLines;
    QStringList events; // "response <hex>", "complete", "error <type>" in the order they came
};

void TestSerialCommunication::init()
{
    programToolIndex = PROG_TOOL_DALI;
    debugLines.clear();
    events.clear();
    pty = new PtyPair;
    QVERIFY(pty->isOpen());
    tool = new SimProgTool(pty, SimProgTool::Kind::DaliTool);
    link = new SerialCommunication;
    const QString path = pty->slavePath();
    link->setPortLister([path] { return QList<ToolPortInfo>{ftdiToolPort(path)}; });
    connect(link, &SerialCommunication::debug_msg, this, [this](const QString& line) { debugLines.append(line); });
    connect(link, &SerialCommunication::commandResponse, this,
            [this](const QByteArray& s) { events.append(QStringLiteral("response ") + QString::fromLatin1(s.toHex())); });
    connect(link, &SerialCommunication::commandSendComplete, this, [this] { events.append(QStringLiteral("complete")); });
    connect(link, &SerialCommunication::communicateError, this,
            [this](int type) { events.append(QStringLiteral("error %1").arg(type)); });
}

void TestSerialCommunication::cleanup()
{
    delete link;
    delete tool;
    delete pty;
    link = nullptr;
    tool = nullptr;
    pty = nullptr;
    programToolIndex = PROG_TOOL_DALI;
}

void TestSerialCommunication::connectTool()
{
    link->buildCommandTables();
    QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    QTRY_VERIFY_WITH_TIMEOUT(debugLines.contains(QStringLiteral("UART response data: 0100")), 2000);
    QVERIFY(link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    QVERIFY(link->isToolConnected());
    QCOMPARE(tool->frameBytes(), QList<QByteArray>{QByteArray::fromHex("c10001")});
    tool->clearFrames();
    tool->clearSentChunks();
    debugLines.clear();
    events.clear();
}

void TestSerialCommunication::slotsAndSignalsByName_data()
{
    // The window connects to these by their string signatures.
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<bool>("isSignal");
    QTest::newRow("commandSendComplete") << QByteArray("commandSendComplete()") << true;
    QTest::newRow("commandResponse") << QByteArray("commandResponse(QByteArray)") << true;
    QTest::newRow("communicateError") << QByteArray("communicateError(int)") << true;
    QTest::newRow("debug_msg") << QByteArray("debug_msg(QString)") << true;
    QTest::newRow("sendDaliCommand") << QByteArray("sendDaliCommand(int,int,int,int)") << false;
    QTest::newRow("sendiProgCommand") << QByteArray("sendiProgCommand(int,QByteArray,int)") << false;
    QTest::newRow("sendBootCommand") << QByteArray("sendBootCommand(QByteArray)") << false;
}

void TestSerialCommunication::slotsAndSignalsByName()
{
    QFETCH(QByteArray, signature);
    QFETCH(bool, isSignal);
    const QMetaObject* meta = link->metaObject();
    if (isSignal)
        QVERIFY(meta->indexOfSignal(signature.constData()) >= 0);
    else
        QVERIFY(meta->indexOfSlot(signature.constData()) >= 0);
}

void TestSerialCommunication::commandTables_data()
{
    QTest::addColumn<QList<int>>("modes"); // setCommandTable calls, in order
    QTest::addColumn<int>("dtMode");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("head");
    QTest::addColumn<QList<int>>("tail");
    QTest::addColumn<QString>("firstName");

    QTest::newRow("at start: device type 6") << QList<int>() << 0 << 190 << QList<int>{350, 0, 1, 2}
                                             << QList<int>{275, 276, 350} << "350 DAPC";
    QTest::newRow("device type 8 then 6") << QList<int>{1, 0} << 0 << 190 << QList<int>{350, 0, 1, 2}
                                          << QList<int>{275, 276, 350} << "350 DAPC";
    QTest::newRow("device type 8: no DAPC") << QList<int>{1} << 1 << 198 << QList<int>{0, 1, 2}
                                            << QList<int>{273, 274, 275, 276} << "000 OFF";
    QTest::newRow("mode 2 keeps the names, encodes device type 8")
        << QList<int>{0, 2} << 2 << 190 << QList<int>{350, 0} << QList<int>{276, 350} << "350 DAPC";
}

void TestSerialCommunication::commandTables()
{
    QFETCH(QList<int>, modes);
    QFETCH(int, dtMode);
    QFETCH(int, count);
    QFETCH(QList<int>, head);
    QFETCH(QList<int>, tail);
    QFETCH(QString, firstName);
    link->buildCommandTables();
    for (int mode : modes)
        link->setCommandTable(mode);
    const QList<int>& numbers = link->currentCommandNumbers();
    QCOMPARE(link->currentDtMode(), dtMode);
    QCOMPARE(link->currentCommandNames().size(), count);
    QCOMPARE(numbers.size(), count);
    QCOMPARE(numbers.mid(0, head.size()), head);
    QCOMPARE(numbers.mid(numbers.size() - tail.size()), tail);
    QCOMPARE(link->currentCommandNames().first(), firstName);
    QCOMPARE(link->iProgCommandNameTable().size(), 32);
}

void TestSerialCommunication::daliCommandFrames_data()
{
    QTest::addColumn<int>("dtMode");
    QTest::addColumn<int>("cmd");
    QTest::addColumn<int>("addr");
    QTest::addColumn<int>("para");
    QTest::addColumn<QList<QByteArray>>("wire"); // every frame on the line, a send-twice repeat included
    QTest::addColumn<QByteArray>("answer");      // the answer passed on (no bus: nobody answers a query)
    QTest::addColumn<QString>("line");

    QTest::newRow("broadcast RECALL MAX LEVEL")
        << 0 << 5 << 0xFE << 0 << QList<QByteArray>{QByteArray::fromHex("ff0501")} << QByteArray::fromHex("0100")
        << "Send dali command: 005 RECALL MAX LEVEL  Data:0";
    QTest::newRow("DAPC to short address 1")
        << 0 << 350 << 0x03 << 200 << QList<QByteArray>{QByteArray::fromHex("02c801")} << QByteArray::fromHex("0100")
        << "Send dali command: 350 DAPC  Data:200";
    QTest::newRow("query") << 0 << 160 << 0x40 << 0 << QList<QByteArray>{QByteArray::fromHex("41a003")}
                           << QByteArray::fromHex("0000") << "Send dali command: 160 QUERY ACTUAL LEVEL  Data:0";
    QTest::newRow("special command with data")
        << 0 << 273 << 0xFE << 2 << QList<QByteArray>{QByteArray::fromHex("c30201")} << QByteArray::fromHex("0100")
        << "Send dali command: 273 DTR1 (data)*  Data:2";
    // A send-twice frame: the tool acknowledges it, so it goes out once more as send-once.
    QTest::newRow("device type 8, number not in the list logs the first name")
        << 1 << 239 << 0x40 << 0 << QList<QByteArray>{QByteArray::fromHex("41ef02"), QByteArray::fromHex("41ef01")}
        << QByteArray::fromHex("0100") << "Send dali command: 000 OFF  Data:0";
}

void TestSerialCommunication::daliCommandFrames()
{
    QFETCH(int, dtMode);
    QFETCH(int, cmd);
    QFETCH(int, addr);
    QFETCH(int, para);
    QFETCH(QList<QByteArray>, wire);
    QFETCH(QByteArray, answer);
    QFETCH(QString, line);
    connectTool();
    link->setCommandTable(dtMode);
    link->sendDaliCommand(cmd, addr, para, SENDER_DALI_CONSOLE);
    QCOMPARE(debugLines, QStringList{line});
    // The frames are counted once the exchange has ended: a repeat goes out only after the
    // first answer is in, and is on the line before the answer that ends the exchange.
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 2000);
    QCOMPARE(events, (QStringList{QStringLiteral("response ") + QString::fromLatin1(answer.toHex()), "complete"}));
    QCOMPARE(tool->frameBytes(), wire);
    // The frame kept for the console tab is the one that went out last.
    const std::array<int, 3> frame = link->lastDaliFrame();
    QByteArray kept;
    for (int value : frame)
        kept.append(char(value));
    QCOMPARE(kept.toHex(' '), wire.last().toHex(' '));
}

void TestSerialCommunication::sendTwiceIsRepeatedOnce()
{
    connectTool();
    link->setWorkMode(SENDER_DALI_PROGRAMMING);
    tool->queueAnswer(QByteArray::fromHex("0100"));
    tool->queueAnswer(QByteArray::fromHex("0177"));
    link->sendDaliCommand(129, 0xFE, 0, SENDER_DALI_PROGRAMMING); // ENABLE WRITE MEMORY, send twice
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 2000);
    QCOMPARE(events, (QStringList{"response 0177", "complete"}));
    QCOMPARE(tool->frameBytes(), (QList<QByteArray>{QByteArray::fromHex("ff8102"), QByteArray::fromHex("ff8101")}));
    // The repeat goes out when the first answer is complete: 40 ms read time after its first byte.
    QVERIFY(tool->frames().at(1).atMs - tool->sentChunks().at(0).atMs >= 40 - 2);
    QCOMPARE(link->lastDaliFrame()[2], 1);
    QCOMPARE(debugLines, (QStringList{"Send dali command: 129 ENABLE WRITE MEMORY  Data:0",
                                      "UART response data: 0100", "UART response data: 0177"}));

    // The repeat was answered with 1 as well, yet nothing goes out a third time.
    QSignalSpy frames(tool, &SimProgTool::frameReceived);
    QVERIFY(!frames.wait(600));
    QCOMPARE(events.size(), 2);
}

void TestSerialCommunication::answerPassedOnUnchanged_data()
{
    QTest::addColumn<int>("sender");
    QTest::addColumn<bool>("afterSendTwice"); // a send-twice DALI frame answered 00 went first
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("send-once frame") << int(SENDER_DALI_CONSOLE) << false << QByteArray::fromHex("0100");
    QTest::newRow("query") << int(SENDER_DALI_POWER_MONITOR) << false << QByteArray::fromHex("01aa");
    QTest::newRow("send-twice frame answered 0") << int(SENDER_DALI_PROGRAMMING) << false << QByteArray::fromHex("0000");
    QTest::newRow("USB tool answer after a send-twice frame")
        << int(SENDER_IPROG) << true << QByteArray::fromHex("010101c1c0");
    QTest::newRow("boot answer after a send-twice frame") << int(SENDER_BOOT) << true << QByteArray::fromHex("01");
}

void TestSerialCommunication::answerPassedOnUnchanged()
{
    QFETCH(int, sender);
    QFETCH(bool, afterSendTwice);
    QFETCH(QByteArray, answer);
    connectTool();
    if (afterSendTwice) {
        link->setWorkMode(SENDER_DALI_PROGRAMMING);
        tool->queueAnswer(QByteArray::fromHex("0000"));
        link->sendDaliCommand(32, 0xFE, 0, SENDER_DALI_PROGRAMMING); // RESET, send twice
        QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 2000);
        QCOMPARE(link->lastDaliFrame()[2], 2);
        events.clear();
        tool->clearFrames();
    }
    link->setWorkMode(sender);
    tool->queueAnswer(answer);
    switch (sender) {
    case SENDER_DALI_CONSOLE:
        link->sendDaliCommand(5, 0xFE, 0, sender);
        break;
    case SENDER_DALI_POWER_MONITOR:
        link->sendDaliCommand(160, 0xFE, 0, sender);
        break;
    case SENDER_DALI_PROGRAMMING:
        link->sendDaliCommand(32, 0xFE, 0, sender);
        break;
    case SENDER_IPROG:
        programToolIndex = PROG_TOOL_IPROG;
        tool->setKind(SimProgTool::Kind::UsbTool);
        link->sendiProgCommand(1, QByteArray(), sender);
        break;
    case SENDER_BOOT:
        link->sendBootCommand(QByteArray::fromHex("fa0401ff"));
        break;
    }
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 2000);
    QCOMPARE(events, (QStringList{QStringLiteral("response ") + QString::fromLatin1(answer.toHex()), "complete"}));
    QSignalSpy frames(tool, &SimProgTool::frameReceived);
    QVERIFY(!frames.wait(300));
    QCOMPARE(tool->frameBytes().size(), 1);
}

void TestSerialCommunication::answerForAnotherWorkModeIsDropped()
{
    // The user left the console tab for the power meter while a console command was out.
    connectTool();
    tool->setAnswerDelay(200);
    tool->queueAnswer(QByteArray::fromHex("01aa"));
    link->sendDaliCommand(160, 0xFE, 0, SENDER_DALI_CONSOLE);
    link->setWorkMode(SENDER_DALI_POWER_MONITOR);
    QTRY_VERIFY_WITH_TIMEOUT(debugLines.contains(QStringLiteral("UART response data: 01aa")), 2000);
    QSignalSpy responses(link, &SerialCommunication::commandResponse);
    QVERIFY(!responses.wait(300));
    QVERIFY(events.isEmpty());
}

void TestSerialCommunication::switchedOffSenderLeavesExchangeInFlight()
{
    // The DALI programming engine waits for an answer when engines the window has switched off
    // send: nothing of theirs goes out, and the answer reaches the engine that waits for it.
    connectTool();
    link->setWorkMode(SENDER_DALI_PROGRAMMING);
    tool->setAnswerDelay(200);
    link->sendDaliCommand(153, 0xFE, 0, SENDER_DALI_PROGRAMMING);
    link->sendDaliCommand(5, 0xFE, 0, SENDER_DALI_CONSOLE);
    link->sendiProgCommand(1, QByteArray(), SENDER_IPROG);
    link->sendBootCommand(QByteArray::fromHex("fa0401ff"));
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 2000);
    QCOMPARE(events, (QStringList{"response 0000", "complete"}));
    QCOMPARE(tool->frameBytes(), QList<QByteArray>{QByteArray::fromHex("ff9903")});
    QCOMPARE(link->lastSenderId(), int(SENDER_DALI_PROGRAMMING));
    QCOMPARE(debugLines.mid(1, 3), (QStringList{"Request of sender 1 not sent: the line serves sender 2",
                                                "Request of sender 4 not sent: the line serves sender 2",
                                                "Request of sender 5 not sent: the line serves sender 2"}));
}

void TestSerialCommunication::requestsNotSent_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("sender");
    QTest::addColumn<bool>("inFlight"); // the sender's previous request still waits for its answer
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("DALI command -1") << "dali -1" << int(SENDER_DALI_PROGRAMMING) << false << QStringList();
    QTest::newRow("DALI address -1") << "dali addr -1" << int(SENDER_DALI_POWER_MONITOR) << false << QStringList();
    QTest::newRow("DALI number without a frame")
        << "dali 300" << int(SENDER_DALI_CONSOLE) << false << QStringList{"Dali command 300 has no frame, nothing sent"};
    QTest::newRow("USB tool data over 255 bytes")
        << "iprog 256 bytes" << int(SENDER_IPROG) << false
        << QStringList{"iprog command 3 not sent: 256 data bytes, at most 255 fit in a frame"};
    QTest::newRow("empty boot frame") << "boot empty" << int(SENDER_BOOT) << false
                                      << QStringList{"Boot frame is empty, nothing sent"};
    QTest::newRow("DALI number without a frame replacing a query")
        << "dali 300" << int(SENDER_DALI_CONSOLE) << true
        << QStringList{"Send dali command: 160 QUERY ACTUAL LEVEL  Data:0", "Dali command 300 has no frame, nothing sent"};
}

void TestSerialCommunication::requestsNotSent()
{
    QFETCH(QString, request);
    QFETCH(int, sender);
    QFETCH(bool, inFlight);
    QFETCH(QStringList, lines);
    connectTool();
    link->setWorkMode(sender);
    if (inFlight) {
        // The tool holds its answer back until the refusal has been reported: an answer on a
        // timer could come before a test running late had made the refused request.
        tool->queueAnswer(QByteArray());
        link->sendDaliCommand(160, 0xFE, 0, sender);
        QTRY_COMPARE_WITH_TIMEOUT(tool->frames().size(), 1, 2000);
    }
    if (request == QLatin1String("dali -1"))
        link->sendDaliCommand(-1, 0xFE, 0, sender);
    else if (request == QLatin1String("dali addr -1"))
        link->sendDaliCommand(5, -1, 0, sender);
    else if (request == QLatin1String("dali 300"))
        link->sendDaliCommand(300, 0xFE, 0, sender);
    else if (request == QLatin1String("iprog 256 bytes"))
        link->sendiProgCommand(3, QByteArray(256, '\x01'), sender);
    else
        link->sendBootCommand(QByteArray());
    QCOMPARE(link->lastSenderId(), sender);
    QCOMPARE(debugLines, lines);
    // The sender hears of it on the next turn of the event loop, not inside its own emit, and
    // not after an answer wait: nothing went out that could be waited for.
    QVERIFY(events.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(events, QStringList{"error 0"}, 1000);
    // The answer to a replaced query is not passed on.
    if (inFlight)
        tool->sendRaw(QByteArray::fromHex("0000"));
    QSignalSpy responses(link, &SerialCommunication::commandResponse);
    QVERIFY(!responses.wait(300));
    QCOMPARE(events, QStringList{"error 0"});
    QCOMPARE(tool->frameBytes().size(), inFlight ? 1 : 0);
}

void TestSerialCommunication::usbToolFrames_data()
{
    QTest::addColumn<int>("cmd");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("nameLine");

    QTest::newRow("QUERY_DRIVER_SN") << 1 << QByteArray() << QByteArray::fromHex("01002000")
                                     << "Send iprog command: QUERY_DRIVER_SN";
    QTest::newRow("255 data bytes")
        << 8 << QByteArray(255, '\0') << QByteArray::fromHex("08ff") + QByteArray(255, '\0') + QByteArray::fromHex("25b2")
        << "Send iprog command: SET_CONSTANT_LUMEN_TIMER";
    QTest::newRow("number above the table") << 40 << QByteArray() << QByteArray::fromHex("2800b01f")
                                            << "Send iprog command: unknown command 40";
    QTest::newRow("negative number") << -1 << QByteArray() << QByteArray::fromHex("ff004040")
                                     << "Send iprog command: unknown command -1";
}

void TestSerialCommunication::usbToolFrames()
{
    QFETCH(int, cmd);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, wire);
    QFETCH(QString, nameLine);
    connectTool();
    programToolIndex = PROG_TOOL_IPROG;
    tool->setKind(SimProgTool::Kind::UsbTool);
    link->setWorkMode(SENDER_IPROG);
    link->sendiProgCommand(cmd, data, SENDER_IPROG);
    QCOMPARE(debugLines, (QStringList{nameLine, QStringLiteral("Send data: 0x") + QString::fromLatin1(wire.toHex())}));
    QTRY_COMPARE_WITH_TIMEOUT(tool->frames().size(), 1, 2000);
    QCOMPARE(tool->frames().first().type, SimProgTool::FrameType::Usb);
    QCOMPARE(tool->frameBytes().first().toHex(), wire.toHex());
}

void TestSerialCommunication::emptyNameTablesLogNumbers()
{
    // Before buildCommandTables a log line names the number. (No port is open: each request
    // ends in a port error, which the USB tool request logs before its own lines.)
    link->sendDaliCommand(5, 0xFE, 0, SENDER_DALI_CONSOLE);
    link->setWorkMode(SENDER_IPROG);
    link->sendiProgCommand(1, QByteArray(), SENDER_IPROG);
    QCOMPARE(debugLines, (QStringList{"Send dali command: 5  Data:0", "serial port error!", "serial port error!",
                                      "Send iprog command: unknown command 1", "Send data: 0x01002000"}));
}

void TestSerialCommunication::bootFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("delivered");

    // The tool answers 01 02 in two chunks 60 ms apart.
    QTest::newRow("enter boot: first chunk") << QByteArray::fromHex("fa040705") << QByteArray::fromHex("01");
    QTest::newRow("check state: 100 ms read time") << QByteArray::fromHex("fa0401ff") << QByteArray::fromHex("0102");
    QTest::newRow("two-byte frame: 100 ms read time") << QByteArray::fromHex("0007") << QByteArray::fromHex("0102");
}

void TestSerialCommunication::bootFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, delivered);
    connectTool();
    link->setWorkMode(SENDER_BOOT);
    const bool shortFrame = frame.size() < 3;
    if (shortFrame) {
        // Too short for the tool to take as a frame: the test answers in its place.
        connect(tool, &SimProgTool::frameReceived, this, [this] {
            tool->sendRaw(QByteArray::fromHex("01"));
            QTimer::singleShot(60, tool, [this] { tool->sendRaw(QByteArray::fromHex("02")); });
        });
    } else {
        tool->queueAnswer(QByteArray::fromHex("0102"));
        tool->setAnswerChunks({1}, 60);
    }
    link->sendBootCommand(frame);
    QTRY_COMPARE_WITH_TIMEOUT(events.size(), 2, 2000);
    QCOMPARE(events, (QStringList{QStringLiteral("response ") + QString::fromLatin1(delivered.toHex()), "complete"}));
    QCOMPARE(tool->frameBytes().first().toHex(), frame.toHex());
    QCOMPARE(debugLines, QStringList{QStringLiteral("UART response data: ") + QString::fromLatin1(delivered.toHex())});
    QCOMPARE(link->lastSenderId(), int(SENDER_BOOT));
}

void TestSerialCommunication::toolVanishesWhileConnected()
{
    connectTool();
    link->setWorkMode(SENDER_DALI_CONSOLE);
    tool->unplug();
    link->sendDaliCommand(5, 0xFE, 0, SENDER_DALI_CONSOLE);
    QTRY_COMPARE_WITH_TIMEOUT(events, QStringList{"error 1"}, 2000);
    QVERIFY(debugLines.contains(QStringLiteral("serial port error!")));
    QVERIFY(!link->isToolConnected());
    QSignalSpy errors(link, &SerialCommunication::communicateError);
    QVERIFY(!errors.wait(600)); // no time-out report after the port error

    // Detection passes over the vanished port without raising a port error each time.
    debugLines.clear();
    QVERIFY(!link->checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    QCOMPARE(debugLines, QStringList{QStringLiteral("Can't open serial port %1, error code 1, skipped").arg(pty->slavePath())});
    QVERIFY(!errors.wait(300));
}

QTEST_GUILESS_MAIN(TestSerialCommunication)
#include "tst_serialcommunication.moc"
