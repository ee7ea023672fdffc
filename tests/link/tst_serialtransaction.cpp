#include "globals.h"
#include "ptypair.h"
#include "serialtransaction.h"
#include "simprogtool.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSerialPort>
#include <QtTest>

// The transaction against a real serial port: a pseudo-terminal with a simulated tool behind it.
class TestSerialTransaction : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void openFailureReportsErrorCode_data();
    void openFailureReportsErrorCode();
    void daliAnswerIsWhatArrivesWithinReadTime_data();
    void daliAnswerIsWhatArrivesWithinReadTime();
    void usbToolAnswerLengthRule_data();
    void usbToolAnswerLengthRule();
    void silentToolTimesOutOnce();
    void newRequestStopsStaleReadTimer();
    void bytesNobodyAskedForAreDropped();
    void lateAnswerIsDroppedNotAPortError();
    void lostPortIsPortError_data();
    void lostPortIsPortError();

private:
    void openTransaction();

    PtyPair* pty = nullptr;
    SimProgTool* tool = nullptr;
    SerialTransaction* transaction = nullptr;
};

void TestSerialTransaction::init()
{
    programToolIndex = PROG_TOOL_DALI;
    pty = new PtyPair;
    QVERIFY(pty->isOpen());
    tool = new SimProgTool(pty, SimProgTool::Kind::DaliTool);
    transaction = new SerialTransaction;
}

void TestSerialTransaction::cleanup()
{
    delete transaction;
    delete tool;
    delete pty;
    transaction = nullptr;
    tool = nullptr;
    pty = nullptr;
    programToolIndex = PROG_TOOL_DALI;
}

void TestSerialTransaction::openTransaction()
{
    QSignalSpy errors(transaction, &SerialTransaction::serialError);
    QVERIFY(transaction->openPort(pty->slavePath(), 19200));
    QCOMPARE(errors.count(), 0);
    QCOMPARE(pty->slaveBaudRate(), 19200);
}

void TestSerialTransaction::openFailureReportsErrorCode_data()
{
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QString>("text");
    QTest::newRow("no such port") << false << "Can't open serial port, error code 1";
    QTest::newRow("port held by another program") << true << "Can't open serial port, error code 2";
}

void TestSerialTransaction::openFailureReportsErrorCode()
{
    QFETCH(bool, busy);
    QFETCH(QString, text);
    QSerialPort other;
    QString name = pty->slavePath() + QStringLiteral("-missing");
    if (busy) {
        other.setPortName(pty->slavePath());
        QVERIFY(other.open(QIODevice::ReadWrite));
        name = pty->slavePath();
    }
    QSignalSpy errors(transaction, &SerialTransaction::serialError);
    QVERIFY(!transaction->openPort(name, 19200));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).toString(), text);
    QVERIFY(!transaction->isOpen());
}

void TestSerialTransaction::daliAnswerIsWhatArrivesWithinReadTime_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QList<int>>("chunks");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<int>("readTime");
    QTest::addColumn<QByteArray>("delivered");

    QTest::newRow("one chunk") << QByteArray::fromHex("0105") << QList<int>() << 0 << 40 << QByteArray::fromHex("0105");
    QTest::newRow("three chunks within the read time")
        << QByteArray::fromHex("010203") << QList<int>{1, 1, 1} << 10 << 40 << QByteArray::fromHex("010203");
    QTest::newRow("chunk after the read time is not a second answer")
        << QByteArray::fromHex("0102") << QList<int>{1, 1} << 150 << 40 << QByteArray::fromHex("01");
    QTest::newRow("read time 0 takes the first chunk")
        << QByteArray::fromHex("0102") << QList<int>{1, 1} << 60 << 0 << QByteArray::fromHex("01");
}

void TestSerialTransaction::daliAnswerIsWhatArrivesWithinReadTime()
{
    QFETCH(QByteArray, answer);
    QFETCH(QList<int>, chunks);
    QFETCH(int, gapMs);
    QFETCH(int, readTime);
    QFETCH(QByteArray, delivered);
    openTransaction();
    tool->queueAnswer(answer);
    tool->setAnswerChunks(chunks, gapMs);

    QSignalSpy responses(transaction, &SerialTransaction::serialResponse);
    QSignalSpy timeouts(transaction, &SerialTransaction::serialTimeout);
    transaction->transaction(QByteArray::fromHex("ff0501"), readTime, 100);
    QVERIFY(responses.wait(2000));
    const qint64 deliveredAt = SimProgTool::clockMs();
    QCOMPARE(responses.at(0).at(0).toByteArray().toHex(' '), delivered.toHex(' '));
    QCOMPARE(tool->frameBytes(), QList<QByteArray>{QByteArray::fromHex("ff0501")});
    // The answer ends a read time after its first byte, not earlier.
    QVERIFY(deliveredAt - tool->sentChunks().first().atMs >= readTime - 2);

    // One request, one outcome: no late chunk answer, no time-out of the answer-wait timer.
    QVERIFY(!responses.wait(600));
    QCOMPARE(responses.count(), 1);
    QCOMPARE(timeouts.count(), 0);
}

void TestSerialTransaction::usbToolAnswerLengthRule_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QList<int>>("chunks");
    QTest::addColumn<int>("readTime");
    QTest::addColumn<bool>("complete"); // delivered on its length, without waiting the read time

    const QByteArray data128(128, '\x5a');
    const QByteArray data255(255, '\xa5');
    QTest::newRow("length 2, 6 bytes") << QByteArray::fromHex("1302012c2da5") << QList<int>() << 3000 << true;
    QTest::newRow("length 2, 6 bytes in three chunks")
        << QByteArray::fromHex("1302012c2da5") << QList<int>{1, 3, 2} << 3000 << true;
    QTest::newRow("length 2, 7 bytes") << QByteArray::fromHex("1302012c2da500") << QList<int>() << 150 << false;
    QTest::newRow("one byte") << QByteArray::fromHex("13") << QList<int>() << 150 << false;
    QTest::newRow("length 0x80, 132 bytes")
        << SimProgTool::usbFrame(0x18, data128) << QList<int>{50, 50} << 3000 << true;
    QTest::newRow("length 0xFF, 259 bytes")
        << SimProgTool::usbFrame(0x18, data255) << QList<int>{100, 100} << 3000 << true;
    QTest::newRow("bad CRC is still a complete frame")
        << QByteArray::fromHex("1302012c0000") << QList<int>() << 3000 << true;
}

void TestSerialTransaction::usbToolAnswerLengthRule()
{
    QFETCH(QByteArray, answer);
    QFETCH(QList<int>, chunks);
    QFETCH(int, readTime);
    QFETCH(bool, complete);
    programToolIndex = PROG_TOOL_IPROG;
    tool->setKind(SimProgTool::Kind::UsbTool);
    openTransaction();
    tool->queueAnswer(answer);
    tool->setAnswerChunks(chunks, 5);

    QSignalSpy responses(transaction, &SerialTransaction::serialResponse);
    QSignalSpy timeouts(transaction, &SerialTransaction::serialTimeout);
    const QByteArray request = QByteArray::fromHex("1300800c");
    QElapsedTimer clock;
    clock.start();
    transaction->transaction(request, readTime, 100);
    QVERIFY(responses.wait(2000));
    QCOMPARE(responses.at(0).at(0).toByteArray().toHex(' '), answer.toHex(' '));
    if (!complete)
        QVERIFY(SimProgTool::clockMs() - tool->sentChunks().first().atMs >= readTime - 2);

    // The answer-wait timer (400 ms here) must not report a time-out for an answered request.
    QVERIFY(!timeouts.wait(600));
    QCOMPARE(responses.count(), 1);
}

void TestSerialTransaction::silentToolTimesOutOnce()
{
    openTransaction();
    tool->setSilent(true);
    QSignalSpy responses(transaction, &SerialTransaction::serialResponse);
    QSignalSpy timeouts(transaction, &SerialTransaction::serialTimeout);
    QElapsedTimer clock;
    clock.start();
    transaction->transaction(QByteArray::fromHex("ffa003"), 40, 100);
    QVERIFY(timeouts.wait(2000));
    QVERIFY(clock.elapsed() >= 400 - 2);
    const QRegularExpression text(QStringLiteral("^Write timeout \\d\\d:\\d\\d:\\d\\d\\d, error: .+$"));
    QVERIFY2(text.match(timeouts.at(0).at(0).toString()).hasMatch(), qPrintable(timeouts.at(0).at(0).toString()));
    QVERIFY(!timeouts.wait(600));
    QCOMPARE(timeouts.count(), 1);
    QCOMPARE(responses.count(), 0);
}

void TestSerialTransaction::newRequestStopsStaleReadTimer()
{
    // The first answer comes in two chunks 100 ms apart with a 600 ms read time; the second
    // request goes out when the second chunk has been sent. A read timer left running from the
    // first answer would end the second exchange about 500 ms later, before its answer (700 ms).
    openTransaction();
    tool->queueAnswer(QByteArray::fromHex("0111"));
    tool->setAnswerChunks({1}, 100);
    QSignalSpy sent(tool, &SimProgTool::answerSent);
    QSignalSpy responses(transaction, &SerialTransaction::serialResponse);
    QSignalSpy timeouts(transaction, &SerialTransaction::serialTimeout);
    // Sent from the second chunk's own report: a test that looked for the chunk later could find
    // the first read time over and its answer delivered.
    connect(tool, &SimProgTool::answerSent, transaction, [&] {
        if (sent.count() != 2)
            return;
        tool->setAnswerChunks({}, 0);
        tool->setAnswerDelay(700);
        tool->queueAnswer(QByteArray::fromHex("0122"));
        transaction->transaction(QByteArray::fromHex("ffa003"), 100, 1000);
    });
    transaction->transaction(QByteArray::fromHex("ff9003"), 600, 1000);

    QTRY_COMPARE_WITH_TIMEOUT(responses.count() + timeouts.count(), 1, 3000);
    QCOMPARE(tool->frameBytes(), (QList<QByteArray>{QByteArray::fromHex("ff9003"), QByteArray::fromHex("ffa003")}));
    QCOMPARE(timeouts.count(), 0);
    QCOMPARE(responses.at(0).at(0).toByteArray().toHex(' '), QByteArray("01 22"));
}

void TestSerialTransaction::bytesNobodyAskedForAreDropped()
{
    openTransaction();
    QSignalSpy responses(transaction, &SerialTransaction::serialResponse);
    tool->sendRaw(QByteArray::fromHex("eeee"));
    QVERIFY(!responses.wait(800));

    // Nor do they end up in front of the next answer.
    tool->sendRaw(QByteArray::fromHex("dd"));
    tool->queueAnswer(QByteArray::fromHex("0106"));
    tool->setAnswerDelay(20);
    transaction->transaction(QByteArray::fromHex("ff9903"), 40, 100);
    QVERIFY(responses.wait(2000));
    QCOMPARE(responses.at(0).at(0).toByteArray().toHex(' '), QByteArray("01 06"));
}

void TestSerialTransaction::lateAnswerIsDroppedNotAPortError()
{
    // The first request times out after 20 ms; its answer comes at 40 ms and is already waiting
    // on the line when a newer request, started from a queued call, clears the input.
    openTransaction();
    tool->setAnswerDelay(40);
    tool->queueAnswer(QByteArray::fromHex("0111"));
    tool->queueAnswer(QByteArray::fromHex("0122"));
    QSignalSpy responses(transaction, &SerialTransaction::serialResponse);
    QSignalSpy timeouts(transaction, &SerialTransaction::serialTimeout);
    QSignalSpy errors(transaction, &SerialTransaction::serialError);
    bool newerSent = false;
    connect(
        tool, &SimProgTool::answerSent, transaction,
        [&] {
            if (newerSent)
                return;
            newerSent = true;
            transaction->transaction(QByteArray::fromHex("ffa003"), 25, 1000);
        },
        Qt::QueuedConnection);
    transaction->transaction(QByteArray::fromHex("ff9003"), 25, 5);

    QTRY_COMPARE_WITH_TIMEOUT(responses.count(), 1, 2000);
    QCOMPARE(responses.at(0).at(0).toByteArray().toHex(' '), QByteArray("01 22"));
    QCOMPARE(timeouts.count(), 1);
    QCOMPARE(errors.count(), 0);
    QVERIFY(transaction->isOpen());
}

void TestSerialTransaction::lostPortIsPortError_data()
{
    QTest::addColumn<QString>("when");
    QTest::newRow("port never opened") << "never opened";
    QTest::newRow("tool gone before the request") << "before";
    QTest::newRow("tool gone while waiting") << "waiting";
}

void TestSerialTransaction::lostPortIsPortError()
{
    QFETCH(QString, when);
    if (when != QLatin1String("never opened"))
        openTransaction();
    tool->setAnswerDelay(3000);
    QSignalSpy errors(transaction, &SerialTransaction::serialError);
    QSignalSpy timeouts(transaction, &SerialTransaction::serialTimeout);
    if (when == QLatin1String("before"))
        tool->unplug();
    transaction->transaction(QByteArray::fromHex("ff0501"), 40, 100);
    if (when == QLatin1String("waiting"))
        tool->unplug();
    QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, 2000);
    QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("serial port error!"));
    // Reported once, as a port error, never as a time-out later.
    QVERIFY(!timeouts.wait(600));
    QCOMPARE(errors.count(), 1);

    // The next request on the lost port is refused the same way.
    transaction->transaction(QByteArray::fromHex("ff0501"), 40, 100);
    QCOMPARE(errors.count(), 2);
    QCOMPARE(errors.at(1).at(0).toString(), QStringLiteral("serial port error!"));
}

QTEST_GUILESS_MAIN(TestSerialTransaction)
#include "tst_serialtransaction.moc"
