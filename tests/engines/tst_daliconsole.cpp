#include "daliconsole.h"

#include <QSignalSpy>
#include <QtTest>

// The console engine driven as the window and the serial link drive it: the link's answer comes
// as commandResponse then commandSendComplete, each delivered by calling the slot directly.
class TestDaliConsole : public QObject
{
    Q_OBJECT
private slots:
    void singleCommandGoesOutWithConsoleSender();
    void unsendableCommandSendsNothing_data();
    void unsendableCommandSendsNothing();
    void runWithoutLoopEndsOnceAtLastCompletion();
    void runWithLoopStartsAgainUntilStopped();
    void invalidItemHaltsRunAndResumesAfterIt_data();
    void invalidItemHaltsRunAndResumesAfterIt();
    void selectionInsideDisplayDoesNotRepeatItem();
    void secondStepDuringDelaySendsNothingMore();
    void delayBelowOneSendsAtOnce_data();
    void delayBelowOneSendsAtOnce();
    void singleStepThroughTwoItems();
    void runStartsAtSelectedIndex();
    void indexOutsideListIsNeverRead_data();
    void indexOutsideListIsNeverRead();
    void switchedOffSendsNothing();
    void stopCancelsDelayEvenWhileDisabled();
    void answerAfterStopIsShownButAdvancesNothing();

private:
    static void complete(DaliConsole& console, const QByteArray& answer = QByteArray("\x01\xFF", 2))
    {
        console.daliConsoleCommandResponse(answer);
        console.sendDaliConsoleCmdSequence();
    }
    static QList<int> cmdsSent(const QSignalSpy& spy)
    {
        QList<int> cmds;
        for (const QList<QVariant>& args : spy)
            cmds << args.at(0).toInt();
        return cmds;
    }
    // Three items: RECALL MAX LEVEL to short address 1, OFF to group 2, DAPC 128 broadcast.
    static void addThreeItems(DaliConsole& console, int delay = 0)
    {
        console.addCmdSequenceItem(5, 0x02, -1, delay);
        console.addCmdSequenceItem(0, 0x84, -1, delay);
        console.addCmdSequenceItem(350, 0xFE, 128, delay);
    }
};

void TestDaliConsole::singleCommandGoesOutWithConsoleSender()
{
    DaliConsole console;
    console.setEnabled(1);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    console.setMode(0);
    console.setSingleCommand(350, 0xFE, 254);
    console.send();
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0), (QList<QVariant>{350, 0xFE, 254, 1}));
}

void TestDaliConsole::unsendableCommandSendsNothing_data()
{
    QTest::addColumn<int>("dtMode"); // the link's command set: 0 device type 6, 1 device type 8
    QTest::addColumn<int>("cmd");
    QTest::addColumn<int>("addr");
    QTest::addColumn<int>("para");
    QTest::addColumn<QString>("log"); // empty: the command goes out

    QTest::newRow("number in no table") << 0 << 400 << 0xFE << 0 << "DALI console: nothing sent, no DALI frame for command 400";
    QTest::newRow("gap in the opcodes") << 0 << 38 << 0xFE << 0 << "DALI console: nothing sent, no DALI frame for command 38";
    QTest::newRow("reserved special") << 0 << 262 << 0xFE << 0 << "DALI console: nothing sent, no DALI frame for command 262";
    QTest::newRow("row without command") << 0 << -1 << 0xFE << -1 << "DALI console: nothing sent, no DALI frame for command -1";
    QTest::newRow("row without address") << 0 << 5 << -1 << -1 << "DALI console: nothing sent, address -1 out of range";
    QTest::newRow("group 20 lands on INITIALISE") << 0 << 5 << 0xA8 << -1 << "DALI console: nothing sent, address 168 out of range";
    QTest::newRow("address above a byte") << 0 << 0 << 0x100 << -1 << "DALI console: nothing sent, address 256 out of range";
    QTest::newRow("negative address") << 0 << 0 << -2 << -1 << "DALI console: nothing sent, address -2 out of range";
    QTest::newRow("DAPC level 300") << 0 << 350 << 0xFE << 300 << "DALI console: nothing sent, data 300 out of range";
    QTest::newRow("DAPC without data") << 0 << 350 << 0xFE << -1 << "DALI console: nothing sent, data -1 out of range";
    QTest::newRow("DTR0 256") << 0 << 257 << 0xFE << 256 << "DALI console: nothing sent, data 256 out of range";
    QTest::newRow("device type 8 command on DT6") << 0 << 239 << 0xFE << -1 << "DALI console: nothing sent, no DALI frame for command 239";
    QTest::newRow("device type 6 query on DT8") << 1 << 253 << 0xFE << -1 << "DALI console: nothing sent, no DALI frame for command 253";

    QTest::newRow("special ignores its address") << 0 << 256 << 0xA8 << -1 << "";
    QTest::newRow("short address 63") << 0 << 5 << 0x7E << -1 << "";
    QTest::newRow("group 15") << 0 << 5 << 0x9E << -1 << "";
    QTest::newRow("no radio checked") << 0 << 5 << 0xFF << -1 << "";
    QTest::newRow("DAPC 255") << 0 << 350 << 0x00 << 255 << "";
    QTest::newRow("plain command ignores data") << 0 << 0 << 0xFE << 999 << "";
    QTest::newRow("device type 8 command on DT8") << 1 << 239 << 0xFE << -1 << "";
    QTest::newRow("device type 6 query on DT6") << 0 << 253 << 0xFE << -1 << "";
    QTest::newRow("DAPC on DT8") << 1 << 350 << 0xFE << 20 << "";
}

void TestDaliConsole::unsendableCommandSendsNothing()
{
    QFETCH(int, dtMode);
    QFETCH(int, cmd);
    QFETCH(int, addr);
    QFETCH(int, para);
    QFETCH(QString, log);

    // Mode 0: a good command first, so a resend of the previous frame would show.
    DaliConsole console;
    console.setEnabled(1);
    console.setDtMode(dtMode);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    QSignalSpy logged(&console, &DaliConsole::debug_msg);
    console.setSingleCommand(5, 0xFE, 0);
    console.send();
    console.setSingleCommand(cmd, addr, para);
    console.send();
    if (log.isEmpty()) {
        QCOMPARE(sent.count(), 2);
        QCOMPARE(sent.at(1), (QList<QVariant>{cmd, addr, para, 1}));
        QCOMPARE(logged.count(), 0);
    } else {
        QCOMPARE(sent.count(), 1);
        QCOMPARE(logged.count(), 1);
        QCOMPARE(logged.at(0).at(0).toString(), log);
    }

    // The same as the only item of a step: the row is still shown as sent.
    DaliConsole stepper;
    stepper.setEnabled(1);
    stepper.setDtMode(dtMode);
    QSignalSpy stepSent(&stepper, &DaliConsole::sendCommand);
    QSignalSpy shown(&stepper, &DaliConsole::displayCmdSequenceItem);
    stepper.addCmdSequenceItem(cmd, addr, para, 0);
    stepper.setMode(2);
    stepper.send();
    QCOMPARE(stepSent.count(), log.isEmpty() ? 1 : 0);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(stepper.currentIndex(), 2);
}

void TestDaliConsole::runWithoutLoopEndsOnceAtLastCompletion()
{
    DaliConsole console;
    console.setEnabled(1);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    QSignalSpy shown(&console, &DaliConsole::displayCmdSequenceItem);
    QSignalSpy finished(&console, &DaliConsole::cmdSeqFinish);
    addThreeItems(console);
    console.setLoop(0);
    console.setMode(1);
    console.send();
    QCOMPARE(cmdsSent(sent), (QList<int>{5}));
    QCOMPARE(sent.at(0), (QList<QVariant>{5, 0x02, -1, 1}));
    complete(console);
    complete(console);
    QCOMPARE(cmdsSent(sent), (QList<int>{5, 0, 350}));
    QCOMPARE(sent.at(2), (QList<QVariant>{350, 0xFE, 128, 1}));
    QCOMPARE(finished.count(), 0);
    complete(console);
    QCOMPARE(sent.count(), 3);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(console.currentIndex(), 1);
    QCOMPARE(console.mode(), 1);
    QCOMPARE(shown.count(), 3);
    QCOMPARE(shown.at(2).at(0).toInt(), 2);
}

void TestDaliConsole::runWithLoopStartsAgainUntilStopped()
{
    DaliConsole console;
    console.setEnabled(1);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    QSignalSpy finished(&console, &DaliConsole::cmdSeqFinish);
    addThreeItems(console);
    console.setLoop(1);
    console.setMode(1);
    console.send();
    for (int i = 0; i < 4; ++i)
        complete(console);
    QCOMPARE(cmdsSent(sent), (QList<int>{5, 0, 350, 5, 0}));
    console.stop();
    QCOMPARE(console.mode(), 0);
    complete(console);
    QCOMPARE(sent.count(), 5);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(console.currentIndex(), 3);
}

void TestDaliConsole::invalidItemHaltsRunAndResumesAfterIt_data()
{
    QTest::addColumn<int>("dtMode");
    QTest::addColumn<int>("cmd");
    QTest::addColumn<int>("addr");

    QTest::newRow("address cell left empty") << 0 << 5 << -1;
    // The sequence was built for the other device type and the user switched it during the run:
    // the link has no frame for the item, so nothing may go out and wait for an answer.
    QTest::newRow("device type 8 command on DT6") << 0 << 239 << 0x02;
    QTest::newRow("device type 6 query on DT8") << 1 << 253 << 0x02;
}

void TestDaliConsole::invalidItemHaltsRunAndResumesAfterIt()
{
    QFETCH(int, dtMode);
    QFETCH(int, cmd);
    QFETCH(int, addr);

    DaliConsole console;
    console.setEnabled(1);
    console.setDtMode(dtMode);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    QSignalSpy shown(&console, &DaliConsole::displayCmdSequenceItem);
    console.addCmdSequenceItem(5, 0x02, -1, 0);
    console.addCmdSequenceItem(cmd, addr, -1, 0);
    console.addCmdSequenceItem(6, 0x02, -1, 0);
    console.setMode(1);
    console.send();
    complete(console);
    QCOMPARE(cmdsSent(sent), (QList<int>{5}));
    QCOMPARE(shown.count(), 2); // the halting row is selected
    QCOMPARE(console.currentIndex(), 3);

    console.stop();
    console.setMode(1);
    console.send();
    QCOMPARE(cmdsSent(sent), (QList<int>{5, 6}));
}

void TestDaliConsole::selectionInsideDisplayDoesNotRepeatItem()
{
    // The tab selects the row just sent, and its selection handler sets the index to row + 1.
    DaliConsole console;
    console.setEnabled(1);
    connect(&console, &DaliConsole::displayCmdSequenceItem, &console,
            [&console](int row) { console.setCurrentIndex(row + 1); });
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    addThreeItems(console);
    console.setMode(1);
    console.send();
    complete(console);
    complete(console);
    QCOMPARE(cmdsSent(sent), (QList<int>{5, 0, 350}));
}

void TestDaliConsole::secondStepDuringDelaySendsNothingMore()
{
    DaliConsole console;
    console.setEnabled(1);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    console.addCmdSequenceItem(5, 0x02, -1, 200);
    console.addCmdSequenceItem(6, 0x02, -1, 0);
    console.setMode(2);
    console.send();
    console.send();
    QCOMPARE(sent.count(), 0);
    QVERIFY(sent.wait(5000));
    QCOMPARE(cmdsSent(sent), (QList<int>{5}));
    // Nothing else is pending: a further event-loop turn sends nothing.
    QVERIFY(!sent.wait(400));
    QCOMPARE(sent.count(), 1);
}

void TestDaliConsole::delayBelowOneSendsAtOnce_data()
{
    QTest::addColumn<int>("delay");
    QTest::newRow("0 ms") << 0;
    QTest::newRow("negative") << -5;
}

void TestDaliConsole::delayBelowOneSendsAtOnce()
{
    QFETCH(int, delay);
    DaliConsole console;
    console.setEnabled(1);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    console.addCmdSequenceItem(5, 0x02, -1, delay);
    console.setMode(1);
    console.send();
    QCOMPARE(sent.count(), 1);
}

void TestDaliConsole::singleStepThroughTwoItems()
{
    DaliConsole console;
    console.setEnabled(1);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    QSignalSpy finished(&console, &DaliConsole::cmdSeqFinish);
    console.addCmdSequenceItem(5, 0x02, -1, 0);
    console.addCmdSequenceItem(6, 0x02, -1, 0);
    console.setMode(2);

    console.send();
    complete(console);
    QCOMPARE(cmdsSent(sent), (QList<int>{5}));
    console.send();
    complete(console);
    QCOMPARE(cmdsSent(sent), (QList<int>{5, 6}));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(console.currentIndex(), 1);
    console.send();
    QCOMPARE(cmdsSent(sent), (QList<int>{5, 6, 5}));
}

void TestDaliConsole::runStartsAtSelectedIndex()
{
    DaliConsole console;
    console.setEnabled(1);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    for (int cmd = 0; cmd < 5; ++cmd)
        console.addCmdSequenceItem(cmd, 0xFE, -1, 0);
    console.setCurrentIndex(3);
    console.setMode(1);
    console.send();
    QCOMPARE(cmdsSent(sent), (QList<int>{2}));
}

void TestDaliConsole::indexOutsideListIsNeverRead_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<int>("finishes");

    QTest::newRow("empty list, run") << 0 << 1 << 1 << QList<int>{} << 1;
    QTest::newRow("empty list, run from index 0") << 0 << 0 << 1 << QList<int>{} << 1;
    QTest::newRow("empty list, step from index 0") << 0 << 0 << 2 << QList<int>{} << 0;
    QTest::newRow("index 0, run starts at item 1") << 2 << 0 << 1 << QList<int>{0} << 0;
    QTest::newRow("index 0, step sends item 1") << 2 << 0 << 2 << QList<int>{0} << 0;
    QTest::newRow("negative index, step") << 2 << -4 << 2 << QList<int>{0} << 0;
    QTest::newRow("index past the end, step") << 2 << 9 << 2 << QList<int>{0} << 0;
}

void TestDaliConsole::indexOutsideListIsNeverRead()
{
    QFETCH(int, items);
    QFETCH(int, index);
    QFETCH(int, mode);
    QFETCH(QList<int>, expected);
    QFETCH(int, finishes);

    DaliConsole console;
    console.setEnabled(1);
    console.setLoop(1);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    QSignalSpy finished(&console, &DaliConsole::cmdSeqFinish);
    for (int cmd = 0; cmd < items; ++cmd)
        console.addCmdSequenceItem(cmd, 0xFE, -1, 0);
    console.setCurrentIndex(index);
    console.setMode(mode);
    console.send();
    QCOMPARE(cmdsSent(sent), expected);
    QCOMPARE(finished.count(), finishes);
}

void TestDaliConsole::switchedOffSendsNothing()
{
    DaliConsole console;
    console.setEnabled(1);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    QSignalSpy shownAnswer(&console, &DaliConsole::displayConsoleResponse);
    console.addCmdSequenceItem(5, 0x02, -1, 0);
    console.addCmdSequenceItem(6, 0x02, -1, 100);
    console.addCmdSequenceItem(7, 0x02, -1, 0);
    console.setMode(1);
    console.send();
    complete(console); // item 2's delay starts

    // The user switched to another tab: the line belongs to another engine now.
    console.setEnabled(0);
    QVERIFY(!sent.wait(500));
    complete(console);
    QCOMPARE(shownAnswer.count(), 1);
    console.send();
    console.setMode(2);
    console.send();
    console.setMode(0);
    console.setSingleCommand(0, 0xFE, 0);
    console.send();
    QCOMPARE(cmdsSent(sent), QList<int>{5});

    // Back on the tab, Stop and Start go on with the item that was dropped.
    console.setEnabled(1);
    console.stop();
    console.setMode(1);
    console.send();
    QVERIFY(sent.wait(5000));
    complete(console);
    QCOMPARE(cmdsSent(sent), (QList<int>{5, 6, 7}));
}

void TestDaliConsole::stopCancelsDelayEvenWhileDisabled()
{
    // The tab's Stop must work when the tool has been reported lost; the engine itself has no
    // notion of the tool and stops whatever it is enabled for.
    DaliConsole console;
    console.setEnabled(1);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    console.addCmdSequenceItem(5, 0x02, -1, 0);
    console.addCmdSequenceItem(6, 0x02, -1, 150);
    console.setLoop(1);
    console.setMode(1);
    console.send();
    complete(console);
    console.setEnabled(0);
    console.stop();
    QCOMPARE(console.mode(), 0);
    QCOMPARE(console.currentIndex(), 2);
    QVERIFY(!sent.wait(500));
    QCOMPARE(cmdsSent(sent), (QList<int>{5}));
}

void TestDaliConsole::answerAfterStopIsShownButAdvancesNothing()
{
    DaliConsole console;
    console.setEnabled(1);
    QSignalSpy sent(&console, &DaliConsole::sendCommand);
    QSignalSpy shownAnswer(&console, &DaliConsole::displayConsoleResponse);
    addThreeItems(console);
    console.setMode(1);
    console.send();
    console.stop();
    complete(console, QByteArray("\x01\x7F", 2));
    QCOMPARE(shownAnswer.count(), 1);
    QCOMPARE(shownAnswer.at(0).at(0).toByteArray(), QByteArray("\x01\x7F", 2));
    QCOMPARE(sent.count(), 1);
    QCOMPARE(console.currentIndex(), 2);
}

QTEST_GUILESS_MAIN(TestDaliConsole)
#include "tst_daliconsole.moc"
