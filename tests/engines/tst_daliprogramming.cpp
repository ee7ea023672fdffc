#include "daliprogramming.h"

#include "daliframe.h"
#include "daliprogramming_testdata.h"
#include "globals.h"
#include "virtualdriver.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(ProgDataStructDef)

// The DALI programming engine against virtual drivers, in one process: a stand-in for the
// serial link answers as the DALI tool does ([01, backward frame] to a query that got one,
// [00, 00] to a query nobody answered, [01, 00] to a command, [05, 00] for a corrupted
// backward frame), repeats a send-twice frame once when the tool confirms it, and delivers the
// answer later from the event loop as commandResponse then commandSendComplete.
class FakeDaliLink : public QObject
{
    Q_OBJECT
public:
    enum class Fault { None, Invalid, Timeout, PortError, Hold };

    SimDaliBus* bus = nullptr;
    QStringList commands; // "cmd:para" of every request, in order
    QMap<int, Fault> faults; // by request number, counted from 0
    int pending = 0;         // answers or errors scheduled but not yet delivered

    void clear() { commands.clear(); }

public slots:
    void sendDaliCommand(int cmd, int addr, int para, int sender)
    {
        QCOMPARE(sender, 2);
        QCOMPARE(addr, 254);
        const int index = commands.size();
        commands << QString("%1:%2").arg(cmd).arg(para);
        const Fault fault = faults.value(index, Fault::None);
        if (fault == Fault::Hold)
            return;
        int frame[3];
        QVERIFY(encodeDaliFrame(0, cmd, addr, para, frame));
        QByteArray answer = toolAnswer(frame, frame[2]);
        if (frame[2] == DALI_FRAME_SEND_TWICE && answer.at(0) == 1)
            answer = toolAnswer(frame, DALI_FRAME_SEND_ONCE); // the link's repeat
        if (fault == Fault::Invalid)
            answer = QByteArray::fromHex("010000");
        ++pending;
        QTimer::singleShot(0, this, [this, fault, answer] {
            --pending;
            if (fault == Fault::Timeout || fault == Fault::PortError) {
                emit communicateError(fault == Fault::Timeout ? 0 : 1);
                return;
            }
            emit commandResponse(answer);
            emit commandSendComplete();
        });
    }

signals:
    void commandResponse(QByteArray s);
    void commandSendComplete();
    void communicateError(int err_type);

private:
    QByteArray toolAnswer(const int frame[3], int frameClass)
    {
        int backward = SimDaliBus::NO_ANSWER;
        if (bus) {
            backward = bus->forwardFrame(quint8(frame[0]), quint8(frame[1]));
            if (frameClass == DALI_FRAME_SEND_TWICE)
                backward = bus->forwardFrame(quint8(frame[0]), quint8(frame[1]));
        }
        if (frameClass != DALI_FRAME_QUERY)
            return QByteArray::fromHex("0100");
        if (backward == SimDaliBus::NO_ANSWER)
            return QByteArray::fromHex("0000");
        if (backward < 0)
            return QByteArray::fromHex("0500");
        return QByteArray::fromHex("01") + QByteArray(1, char(backward));
    }
};

// Engine, link stand-in and the window's driver-detection timer (fast, for the tests' sake).
struct Rig
{
    FakeDaliLink link;
    DaliProgramming engine;
    QTimer detectTimer;
    QSignalSpy states{&engine, &DaliProgramming::programmingStateUpdatedSignal};
    QSignalSpy reads{&engine, &DaliProgramming::productInfoReadUpdateSignal};
    QSignalSpy connection{&engine, &DaliProgramming::driverConnectionStateChangeSignal};
    QSignalSpy resets{&engine, &DaliProgramming::resetOptResultSignal};

    explicit Rig(SimDaliBus* bus)
    {
        link.bus = bus;
        detectTimer.setInterval(5);
        connectEngineToLink(engine, link);
        connectDetectTimer(engine, detectTimer);
        engine.setEnabled(1);
    }

    void start() { engine.toolConnectionStateChange(1); }

    // Stops the detection ticks and lets the last answer in, so that a test's next step starts
    // on an idle link with request number 0; the test then sends the probe itself (tick()).
    void quiesce()
    {
        detectTimer.stop();
        QTRY_COMPARE(link.pending, 0);
        link.clear();
    }
    void tick() { engine.checkDriverConnection(); }

    // Lets the driver's read finish, then starts programming the record on an idle link; the
    // run begins with the probe the test sends (tick()).
    void startProgrammingAfterRead(const ProgDataStructDef& record)
    {
        start();
        QTRY_COMPARE(reads.count(), 13);
        engine.writeRecord() = record;
        quiesce();
        engine.startProgramming();
    }

    QList<int> stateList() const { return firstArguments(states); }
    QList<int> connectionList() const { return firstArguments(connection); }
    QStringList readList() const { return readUpdates(reads); }
};


class TestDaliProgramming : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void probeAnswer_data();
    void probeAnswer();
    void noToolStopsDetection();
    void disabledEngineIgnoresEverything_data();
    void disabledEngineIgnoresEverything();
    void noProbeWhileRequestOutstanding();
    void startOperationsNeedDriver();
    void read_data();
    void read();
    void unsupportedProduct_data();
    void unsupportedProduct();
    void readAbortsOnBadAnswer_data();
    void readAbortsOnBadAnswer();
    void programFull();
    void programShort_data();
    void programShort();
    void programRetries_data();
    void programRetries();
    void failedLinkEndsAttemptAndLoopGoesOn_data();
    void failedLinkEndsAttemptAndLoopGoesOn();
    void productionLoopOverThreeDrivers();
    void profileLoadedDriverIsProgrammedNotRead();
    void resetOperatingTime_data();
    void resetOperatingTime();
    void resetWithoutReadOnShortBankFails();
    void pendingResetDoesNotReachAnotherDriver_data();
    void pendingResetDoesNotReachAnotherDriver();
    void requestAskedBeforeARunWaitsForIt_data();
    void requestAskedBeforeARunWaitsForIt();
};

void TestDaliProgramming::initTestCase()
{
    qRegisterMetaType<ProgDataStructDef>();
    setBareProductList();
}

void TestDaliProgramming::init()
{
    profileLoaded = 0;
}

void TestDaliProgramming::probeAnswer_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QList<int>>("connection"); // driver connection signals
    QTest::addColumn<QString>("next");          // the next request, or empty

    QTest::newRow("device type 6") << hex("01 06") << QList<int>{1} << "273:2";
    QTest::newRow("5-byte answer") << hex("01 06 00 00 00") << QList<int>{1} << "273:2";
    QTest::newRow("backward frame 0 is no driver") << hex("01 00") << QList<int>{} << "";
    QTest::newRow("nobody answered") << hex("00 00") << QList<int>{} << "";
    QTest::newRow("tool error") << hex("05 00") << QList<int>{} << "";
    QTest::newRow("3 bytes") << hex("01 06 00") << QList<int>{} << "";
    QTest::newRow("4 bytes") << hex("01 06 00 00") << QList<int>{} << "";
    QTest::newRow("empty") << QByteArray() << QList<int>{} << "";
}

void TestDaliProgramming::probeAnswer()
{
    QFETCH(QByteArray, answer);
    QFETCH(QList<int>, connection);
    QFETCH(QString, next);

    DaliProgramming engine;
    QSignalSpy sent(&engine, &DaliProgramming::sendCommand);
    QSignalSpy conn(&engine, &DaliProgramming::driverConnectionStateChangeSignal);
    QSignalSpy timer(&engine, &DaliProgramming::enableDriverDetectTimerSignal);
    engine.setEnabled(1);
    engine.toolConnectionStateChange(1);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0), (QList<QVariant>{153, 254, 0, 2}));
    QCOMPARE(timer.takeFirst().at(0).toBool(), true);

    engine.daliProgrammingResponse(answer);
    engine.sendDaliProgrammingCmdSequence();
    QList<int> got;
    for (const QList<QVariant>& a : conn)
        got << a.at(0).toInt();
    QCOMPARE(got, connection);
    if (next.isEmpty()) {
        QCOMPARE(sent.count(), 1);
        QCOMPARE(engine.engineState(), int(DaliProgramming::DALI_PROG_STATE_DETECT));
        QCOMPARE(timer.last().at(0).toBool(), true); // detection goes on
    } else {
        QCOMPARE(sent.count(), 2);
        QCOMPARE(QString("%1:%2").arg(sent.at(1).at(0).toInt()).arg(sent.at(1).at(2).toInt()), next);
        QCOMPARE(engine.engineState(), int(DaliProgramming::DALI_PROG_STATE_READ));
        QCOMPARE(timer.last().at(0).toBool(), false); // stopped while the read runs
    }
}

void TestDaliProgramming::noToolStopsDetection()
{
    DaliProgramming engine;
    QSignalSpy sent(&engine, &DaliProgramming::sendCommand);
    QSignalSpy timer(&engine, &DaliProgramming::enableDriverDetectTimerSignal);
    engine.setEnabled(1);
    engine.checkDriverConnection();
    QCOMPARE(sent.count(), 0);
    QCOMPARE(timer.count(), 1);
    QCOMPARE(timer.at(0).at(0).toBool(), false);
}

void TestDaliProgramming::disabledEngineIgnoresEverything_data()
{
    QTest::addColumn<QString>("run");
    QTest::addColumn<QStringList>("ending"); // what the window hears when the engine is switched off

    QTest::newRow("read") << "read" << QStringList{"read 1 Reading product info error"};
    QTest::newRow("programming") << "program" << QStringList{"programming 2"};
    QTest::newRow("reset") << "reset" << QStringList{"reset 0"};
}

void TestDaliProgramming::disabledEngineIgnoresEverything()
{
    QFETCH(QString, run);
    QFETCH(QStringList, ending);

    DaliProgramming engine;
    engine.setEnabled(1);
    profileLoaded = run == "read" ? 0 : 1; // with a profile loaded a new driver is not read
    engine.toolConnectionStateChange(1);
    engine.daliProgrammingResponse(hex("01 06"));
    engine.sendDaliProgrammingCmdSequence();
    if (run != "read") {
        if (run == "program")
            engine.startProgramming();
        else
            engine.startResetOperatingTime();
        engine.checkDriverConnection();
        engine.daliProgrammingResponse(hex("01 06"));
        engine.sendDaliProgrammingCmdSequence();
    }
    QVERIFY(engine.engineState() != DaliProgramming::DALI_PROG_STATE_DETECT); // the run is under way

    // The user switches to another tab or tool: the run ends, once.
    QStringList heard;
    connect(&engine, &DaliProgramming::productInfoReadUpdateSignal, this,
            [&heard](int state, const QString& text) { heard << QString("read %1 %2").arg(state).arg(text); });
    connect(&engine, &DaliProgramming::programmingStateUpdatedSignal, this,
            [&heard](ProgStateDef state) { heard << QString("programming %1").arg(int(state)); });
    connect(&engine, &DaliProgramming::resetOptResultSignal, this,
            [&heard](int result) { heard << QString("reset %1").arg(result); });
    engine.setEnabled(0);
    QCOMPARE(heard, ending);

    QList<QSignalSpy*> spies = {
        new QSignalSpy(&engine, &DaliProgramming::sendCommand),
        new QSignalSpy(&engine, &DaliProgramming::enableDriverDetectTimerSignal),
        new QSignalSpy(&engine, &DaliProgramming::driverConnectionStateChangeSignal),
        new QSignalSpy(&engine, &DaliProgramming::programmingStateUpdatedSignal),
        new QSignalSpy(&engine, &DaliProgramming::productInfoReadUpdateSignal),
        new QSignalSpy(&engine, &DaliProgramming::resetOptResultSignal),
        new QSignalSpy(&engine, &DaliProgramming::debug_msg),
    };
    engine.checkDriverConnection(); // a tick of the timer the enabled engine runs
    engine.toolConnectionStateChange(0);
    engine.checkDriverConnection();
    engine.daliProgrammingResponse(hex("01 06"));
    engine.sendDaliProgrammingCmdSequence();
    for (int error : {0, 1, 3})
        engine.processCommError(error);
    for (QSignalSpy* spy : spies) {
        QCOMPARE(spy->count(), 0);
        delete spy;
    }
}

void TestDaliProgramming::noProbeWhileRequestOutstanding()
{
    VirtualDriver driver;
    driver.unplug();
    Rig rig(&driver);
    rig.link.faults[0] = FakeDaliLink::Fault::Hold; // the first probe stays unanswered
    rig.start();
    for (int i = 0; i < 5; ++i)
        rig.engine.checkDriverConnection();
    QCOMPARE(rig.link.commands, QStringList{"153:0"});

    // The link reports the time-out: the next tick probes again.
    rig.engine.processCommError(0);
    rig.engine.checkDriverConnection();
    QCOMPARE(rig.link.commands, (QStringList{"153:0", "153:0"}));
}

void TestDaliProgramming::startOperationsNeedDriver()
{
    VirtualDriver driver;
    driver.unplug();
    Rig rig(&driver);
    rig.start();
    QTRY_VERIFY(rig.link.commands.size() >= 2);
    rig.engine.startProgramming();
    rig.engine.startReadProductInfo();
    rig.engine.startResetOperatingTime();
    QCOMPARE(rig.engine.programmingResult(), 0);
    driver.setBank2(bank73());
    driver.plugIn();
    QTRY_COMPARE(rig.reads.count(), 13);
    // Nothing was requested while no driver was there: no programming, no second read, no reset.
    QTRY_VERIFY(rig.link.commands.count("153:0") >= 4);
    QCOMPARE(rig.states.count(), 0);
    QCOMPARE(rig.reads.count(), 13);
    QCOMPARE(rig.resets.count(), 0);
}

void TestDaliProgramming::read_data()
{
    QTest::addColumn<QByteArray>("bank");
    QTest::addColumn<ProgDataStructDef>("expected");
    QTest::addColumn<QStringList>("progress");
    QTest::addColumn<int>("readCommands"); // READ MEMORY LOCATION requests, address 0 included

    QTest::newRow("last address 73") << bank73() << bank73Record(73) << FULL_PROGRESS << 71;
    QTest::newRow("last address 72") << withLastAddress(bank73(), 72) << bank73Record(72) << FULL_PROGRESS << 71;

    ProgDataStructDef old = engineStartRecord();
    old.current = 350;
    old.productIndex = 45;
    QTest::newRow("old layout, code A 45") << oldLayoutBank("00 2D", "00 29") << old << FULL_PROGRESS << 70;
    old.productIndex = 41;
    QTest::newRow("old layout, code B 41") << oldLayoutBank("00 00", "00 29") << old << FULL_PROGRESS << 70;
    old.productIndex = 46;
    QTest::newRow("old layout, code A 46") << oldLayoutBank("00 2E", "00 2A") << old << FULL_PROGRESS << 70;
    old.productIndex = 42;
    QTest::newRow("old layout, code B 42") << oldLayoutBank("00 2F", "00 2A") << old << FULL_PROGRESS << 70;

    QStringList shortProgress = FULL_PROGRESS.mid(0, 10);
    shortProgress << "2 Driver information read complete. 12";
    QTest::newRow("short bank, last address 40") << withLastAddress(bank73(), 40) << bank73Record(40)
                                                 << shortProgress << 39;
}

void TestDaliProgramming::read()
{
    QFETCH(QByteArray, bank);
    QFETCH(ProgDataStructDef, expected);
    QFETCH(QStringList, progress);
    QFETCH(int, readCommands);

    VirtualDriver driver;
    driver.setBank2(bank);
    Rig rig(&driver);
    rig.start();
    QTRY_COMPARE(rig.reads.count(), progress.size());
    QCOMPARE(rig.readList(), progress);
    QCOMPARE(rig.connectionList(), QList<int>{1});
    compareRecords(rig.engine.readRecord(), expected);
    QCOMPARE(rig.link.commands.count("197:0"), readCommands);
    // Address 0 first, then from address 3 on.
    QCOMPARE(rig.link.commands.mid(0, 7),
             (QStringList{"153:0", "273:2", "257:0", "197:0", "273:2", "257:3", "197:0"}));
    QCOMPARE(rig.engine.memoryBankLastAddress(), int(quint8(bank.at(0))));
    // Polling resumes with the driver counted as connected.
    QTRY_VERIFY(rig.link.commands.last() == "153:0" && rig.engine.engineState() == 3);
    QCOMPARE(rig.connectionList(), QList<int>{1});
}

void TestDaliProgramming::unsupportedProduct_data()
{
    QTest::addColumn<QByteArray>("bank");
    QTest::addColumn<int>("progressSteps");

    QByteArray product150 = bank73();
    product150[6] = char(150); // one past the product list
    QTest::newRow("product index equal to the list size") << product150 << 12;
    QByteArray product300 = withLastAddress(bank73(), 72);
    product300[5] = 0x01;
    product300[6] = 0x2C;
    QTest::newRow("product index 300") << product300 << 12;
    QTest::newRow("old layout without known codes") << oldLayoutBank("00 00", "00 00") << 12;
    QTest::newRow("bank without parameters") << hex("02 00 FF") << 0;
    QTest::newRow("bank ending inside the product index") << withLastAddress(bank73(), 5) << 2;
}

void TestDaliProgramming::unsupportedProduct()
{
    QFETCH(QByteArray, bank);
    QFETCH(int, progressSteps);

    VirtualDriver driver;
    driver.setBank2(bank);
    Rig rig(&driver);
    rig.start();
    QTRY_COMPARE(rig.reads.count(), progressSteps + 1);
    QCOMPARE(rig.readList().last(), QString("1 Reading product info error 0"));
    QCOMPARE(rig.connectionList(), (QList<int>{1, 2}));

    // Further probes keep it unsupported: no new state, no read, no programming.
    const int probes = rig.link.commands.count("153:0");
    QTRY_VERIFY(rig.link.commands.count("153:0") >= probes + 3);
    rig.engine.startProgramming();
    rig.engine.startReadProductInfo();
    QTRY_VERIFY(rig.link.commands.count("153:0") >= probes + 6);
    QCOMPARE(rig.connectionList(), (QList<int>{1, 2}));
    QCOMPARE(rig.reads.count(), progressSteps + 1);
    QCOMPARE(rig.states.count(), 0);
    QCOMPARE(rig.engine.driverConnectionState(), 2);

    // Taken away it is gone; a supported driver in its place is read normally.
    driver.unplug();
    QTRY_COMPARE(rig.connectionList(), (QList<int>{1, 2, 0}));
    driver.setBank2(bank73());
    driver.plugIn();
    QTRY_COMPARE(rig.connectionList(), (QList<int>{1, 2, 0, 1}));
    QTRY_COMPARE(rig.readList().last(), QString("2 Driver information read complete. 12"));
}

void TestDaliProgramming::readAbortsOnBadAnswer_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("at"); // request number
    QTest::newRow("invalid answer to a read") << int(FakeDaliLink::Fault::Invalid) << 10;
    QTest::newRow("invalid answer to a DTR") << int(FakeDaliLink::Fault::Invalid) << 2;
    QTest::newRow("time-out") << int(FakeDaliLink::Fault::Timeout) << 20;
}

void TestDaliProgramming::readAbortsOnBadAnswer()
{
    QFETCH(int, fault);
    QFETCH(int, at);
    VirtualDriver driver;
    driver.setBank2(bank73());
    Rig rig(&driver);
    rig.link.faults[at] = FakeDaliLink::Fault(fault);
    rig.start();
    // The driver is read again at once after the abort, so the abort is looked for among all
    // the read reports, not as the last one.
    QTRY_VERIFY(rig.readList().contains(QString("1 Reading product info error 0")));
    // The driver is lost, found again on the next probe and read again.
    QTRY_COMPARE(rig.connectionList(), (QList<int>{1, 0, 1}));
    QTRY_COMPARE(rig.readList().last(), QString("2 Driver information read complete. 12"));
    compareRecords(rig.engine.readRecord(), bank73Record(73));
}

void TestDaliProgramming::programFull()
{
    VirtualDriver driver;
    driver.setBank2(blankBank());
    Rig rig(&driver);
    rig.startProgrammingAfterRead(recordToProgram(120, 1050));
    rig.tick();
    QTRY_COMPARE(rig.stateList(), (QList<int>{1, 3}));
    QStringList expected = split(FULL_PROGRAM_COMMANDS);
    expected.prepend("153:0");
    QCOMPARE(rig.link.commands.mid(0, expected.size()), expected);
    QCOMPARE(driver.bank2().toHex(' ').toUpper(), hex(FULL_PROGRAM_BANK).toHex(' ').toUpper());
    QCOMPARE(rig.engine.programmingResult(), 3);

    // Polling goes on; the same driver is not programmed again.
    QTRY_VERIFY(rig.link.commands.count("153:0") >= 4);
    QCOMPARE(rig.stateList(), (QList<int>{1, 3}));
    QCOMPARE(rig.engine.engineState(), 3);
}

void TestDaliProgramming::programShort_data()
{
    QTest::addColumn<int>("productIndex");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QByteArray>("bytes2to4");

    QTest::newRow("41") << 41 << 350 << "273:2 257:2 129:0 275:85 275:94 275:1" << hex("55 5E 01");
    QTest::newRow("42") << 42 << 1400 << "273:2 257:2 129:0 275:85 275:120 275:5" << hex("55 78 05");
    QTest::newRow("45") << 45 << 700 << "273:2 257:2 129:0 275:85 275:188 275:2" << hex("55 BC 02");
    QTest::newRow("46") << 46 << 255 << "273:2 257:2 129:0 275:85 275:255 275:0" << hex("55 FF 00");
}

void TestDaliProgramming::programShort()
{
    QFETCH(int, productIndex);
    QFETCH(int, current);
    QFETCH(QString, commands);
    QFETCH(QByteArray, bytes2to4);

    VirtualDriver driver;
    driver.setBank2(blankBank());
    Rig rig(&driver);
    rig.startProgrammingAfterRead(recordToProgram(productIndex, current));
    rig.tick();
    QTRY_COMPARE(rig.stateList(), (QList<int>{1, 3}));
    QCOMPARE(rig.link.commands.mid(1, 6), commands.split(' '));
    QCOMPARE(rig.link.commands.value(7, "153:0"), QString("153:0"));
    QCOMPARE(driver.bank2().mid(2, 3), bytes2to4);
    // Nothing past the current was touched.
    QCOMPARE(driver.bank2().mid(7), blankBank().mid(7));
    QCOMPARE(driver.writeCount(), 3);
}

void TestDaliProgramming::programRetries_data()
{
    QTest::addColumn<QList<int>>("invalidAt"); // requests answered invalid, counted from the probe
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<int>("attempts");

    // Request 0 is the probe that starts the run; a full attempt is 65 requests.
    QTest::newRow("one invalid write answer") << QList<int>{30} << QList<int>{1, 4, 3} << 2;
    QTest::newRow("invalid enable-write answer") << QList<int>{3} << QList<int>{1, 4, 3} << 2;
    QTest::newRow("three failed attempts, fourth succeeds")
        << QList<int>{5, 65 + 3, 65 + 3 + 50} << QList<int>{1, 4, 4, 4, 3} << 4;
    QTest::newRow("four failed attempts") // the last at the fourth attempt's ENABLE WRITE MEMORY
        << QList<int>{5, 65 + 3, 65 + 3 + 50, 65 + 3 + 50 + 3} << QList<int>{1, 4, 4, 4, 2} << 4;
}

void TestDaliProgramming::programRetries()
{
    QFETCH(QList<int>, invalidAt);
    QFETCH(QList<int>, states);
    QFETCH(int, attempts);

    VirtualDriver driver;
    driver.setBank2(blankBank());
    Rig rig(&driver);
    rig.startProgrammingAfterRead(recordToProgram(120, 1050));
    for (int at : invalidAt)
        rig.link.faults[at] = FakeDaliLink::Fault::Invalid;
    rig.tick();
    QTRY_COMPARE(rig.stateList(), states);
    QTRY_COMPARE(rig.engine.engineState(), 3);
    // Each attempt starts from its first step.
    QCOMPARE(rig.link.commands.count("129:0"), attempts);
    if (states.last() == 3)
        QCOMPARE(driver.bank2().toHex(' ').toUpper(), hex(FULL_PROGRAM_BANK).toHex(' ').toUpper());
    // A failed driver is not tried again while it stays connected.
    QTRY_VERIFY(rig.link.commands.mid(rig.link.commands.lastIndexOf("129:0")).count("153:0") >= 3);
    QCOMPARE(rig.stateList(), states);
}

void TestDaliProgramming::failedLinkEndsAttemptAndLoopGoesOn_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<QList<int>>("connection");
    QTest::addColumn<bool>("firstProgrammed");

    // After a time-out the driver still counts as connected and is left alone until it has been
    // taken away; the next one is programmed.
    QTest::newRow("time-out") << int(FakeDaliLink::Fault::Timeout) << QList<int>{1, 2, 1, 3}
                              << QList<int>{1, 0, 1} << false;
    // A port error loses the tool: once the window has found it again, the run goes on with the
    // driver on the bus, the one cut short included.
    QTest::newRow("port error") << int(FakeDaliLink::Fault::PortError) << QList<int>{1, 2, 1, 3}
                                << QList<int>{1, 0, 1} << true;
}

void TestDaliProgramming::failedLinkEndsAttemptAndLoopGoesOn()
{
    QFETCH(int, fault);
    QFETCH(bool, firstProgrammed);

    VirtualDriver first;
    first.setBank2(blankBank());
    VirtualDriver second;
    second.setBank2(blankBank());
    Rig rig(&first);
    rig.startProgrammingAfterRead(recordToProgram(120, 1050));
    rig.link.faults[20] = FakeDaliLink::Fault(fault);
    rig.tick();
    QTRY_COMPARE(rig.stateList(), (QList<int>{1, 2}));
    QCOMPARE(rig.link.commands.count("129:0"), 1); // no retry

    if (firstProgrammed) {
        rig.engine.toolConnectionStateChange(0); // what the window tells the engine, then
        rig.engine.toolConnectionStateChange(1); // that the tool is found again
    } else {
        // Detection carries on: the failed driver is left alone until the next one comes.
        QTRY_VERIFY(rig.link.commands.count("153:0") >= 4);
        QCOMPARE(rig.stateList(), (QList<int>{1, 2}));
        rig.link.bus = nullptr;
        QTRY_COMPARE(rig.connectionList(), (QList<int>{1, 0}));
        rig.link.bus = &second;
    }
    QTRY_COMPARE(rig.stateList().size(), 4);
    QTEST(rig.stateList(), "states");
    QTEST(rig.connectionList(), "connection");
    // No driver was read during the run: a read would replace the data being programmed.
    QCOMPARE(rig.reads.count(), 13);
    VirtualDriver& programmed = firstProgrammed ? first : second;
    QCOMPARE(programmed.bank2().toHex(' ').toUpper(), hex(FULL_PROGRAM_BANK).toHex(' ').toUpper());
}

void TestDaliProgramming::productionLoopOverThreeDrivers()
{
    VirtualDriver drivers[3];
    for (VirtualDriver& d : drivers)
        d.setBank2(blankBank());
    Rig rig(&drivers[0]);
    rig.start();
    QTRY_COMPARE(rig.reads.count(), 13);
    rig.engine.writeRecord() = recordToProgram(120, 1050);
    rig.engine.startProgramming();
    QTRY_COMPARE(rig.stateList(), (QList<int>{1, 3}));

    for (int i = 1; i < 3; ++i) {
        rig.link.bus = nullptr; // taken away
        QTRY_COMPARE(rig.stateList().size(), 3 * i);
        QCOMPARE(rig.stateList().last(), 5);
        rig.link.bus = &drivers[i]; // the next one plugged in
        QTRY_COMPARE(rig.stateList().size(), 3 * i + 2);
    }
    QCOMPARE(rig.stateList(), (QList<int>{1, 3, 5, 1, 3, 5, 1, 3}));
    QCOMPARE(rig.connectionList(), (QList<int>{1, 0, 1, 0, 1}));
    for (VirtualDriver& d : drivers)
        QCOMPARE(d.bank2().toHex(' ').toUpper(), hex(FULL_PROGRAM_BANK).toHex(' ').toUpper());
    // Each new driver was programmed, not read: one read in all, of the first.
    QCOMPARE(rig.reads.count(), 13);

    // The production view is closed: the next driver is neither awaited nor programmed.
    rig.engine.resetProgrammingState();
    rig.link.bus = nullptr;
    QTRY_COMPARE(rig.connectionList(), (QList<int>{1, 0, 1, 0, 1, 0}));
    VirtualDriver fourth;
    fourth.setBank2(blankBank());
    rig.link.bus = &fourth;
    QTRY_COMPARE(rig.reads.count(), 26);
    QCOMPARE(rig.stateList(), (QList<int>{1, 3, 5, 1, 3, 5, 1, 3}));
    QCOMPARE(fourth.writeCount(), 0);
}

void TestDaliProgramming::profileLoadedDriverIsProgrammedNotRead()
{
    VirtualDriver first;
    first.setBank2(blankBank());
    VirtualDriver second;
    second.setBank2(blankBank());
    Rig rig(&first);
    profileLoaded = 1;
    rig.start();
    QTRY_COMPARE(rig.connectionList(), QList<int>{1});
    QTRY_VERIFY(rig.link.commands.count("153:0") >= 3);
    QCOMPARE(rig.reads.count(), 0); // not read automatically
    QCOMPARE(rig.link.commands.count("197:0"), 0);

    rig.engine.writeRecord() = recordToProgram(120, 1050);
    rig.engine.startProgramming();
    QTRY_COMPARE(rig.stateList(), (QList<int>{1, 3}));
    rig.link.bus = nullptr;
    QTRY_COMPARE(rig.stateList(), (QList<int>{1, 3, 5}));
    rig.link.bus = &second;
    QTRY_COMPARE(rig.stateList(), (QList<int>{1, 3, 5, 1, 3}));
    QCOMPARE(rig.reads.count(), 0);
    QCOMPARE(second.bank2().toHex(' ').toUpper(), hex(FULL_PROGRAM_BANK).toHex(' ').toUpper());
}

void TestDaliProgramming::resetOperatingTime_data()
{
    QTest::addColumn<int>("lastAddress");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("commands");
    QTest::addColumn<QByteArray>("bytes26to33");

    const QString clearing = "273:2 257:2 129:0 275:85 273:2 257:28 275:0 275:0 275:0 275:0";
    QTest::newRow("full table") << 73 << 1 << clearing << hex("5E 5D 00 00 00 00 00 01");
    QTest::newRow("bank ends at 31") << 31 << 1 << clearing << hex("5E 5D 00 00 00 00");
    QTest::newRow("bank ends at 30") << 30 << 0 << "" << hex("5E 5D 1E 45 23");
    QTest::newRow("bank ends at 20") << 20 << 0 << "" << QByteArray();
}

void TestDaliProgramming::resetOperatingTime()
{
    QFETCH(int, lastAddress);
    QFETCH(int, result);
    QFETCH(QString, commands);
    QFETCH(QByteArray, bytes26to33);

    VirtualDriver driver;
    const QByteArray before = withLastAddress(bank73(), lastAddress);
    driver.setBank2(before);
    Rig rig(&driver);
    rig.start();
    QTRY_VERIFY(!rig.reads.isEmpty() && rig.reads.last().at(0).toInt() == 2);
    rig.quiesce();
    rig.engine.startResetOperatingTime();
    rig.tick();
    QTRY_COMPARE(rig.resets.count(), 1);
    QCOMPARE(rig.resets.at(0).at(0).toInt(), result);

    QStringList expected = commands.split(' ', Qt::SkipEmptyParts);
    expected.prepend("153:0");
    QCOMPARE(rig.link.commands.mid(0, expected.size()), expected);
    QCOMPARE(rig.link.commands.value(expected.size(), "153:0"), QString("153:0"));
    QCOMPARE(driver.bank2().mid(26, 8), bytes26to33);
    if (result == 0)
        QCOMPARE(driver.bank2(), before.left(2) + hex("FF") + before.mid(3)); // nothing written
    QCOMPARE(driver.writeCount(), result == 1 ? 5 : 0);
    // Polling resumes with the driver still connected.
    QTRY_COMPARE(rig.engine.engineState(), 3);
    QCOMPARE(rig.connectionList(), QList<int>{1});
}

void TestDaliProgramming::resetWithoutReadOnShortBankFails()
{
    // With a profile loaded the driver is not read first, so the engine cannot know the bank is
    // too short; the driver refuses the write past its end and the reset is reported failed.
    VirtualDriver driver;
    driver.setBank2(withLastAddress(bank73(), 29));
    Rig rig(&driver);
    profileLoaded = 1;
    rig.start();
    QTRY_COMPARE(rig.connectionList(), QList<int>{1});
    rig.quiesce();
    rig.engine.startResetOperatingTime();
    rig.tick();
    QTRY_COMPARE(rig.resets.count(), 1);
    QCOMPARE(rig.resets.at(0).at(0).toInt(), 0);
    QCOMPARE(rig.link.commands.mid(1, 9), split("273:2 257:2 129:0 275:85 273:2 257:28 275:0 275:0 275:0"));
}

void TestDaliProgramming::pendingResetDoesNotReachAnotherDriver_data()
{
    QTest::addColumn<bool>("unsupported"); // else: the driver is taken away before the next probe
    QTest::newRow("asked during the read of an unsupported driver") << true;
    QTest::newRow("driver taken away before the request was taken up") << false;
}

void TestDaliProgramming::pendingResetDoesNotReachAnotherDriver()
{
    QFETCH(bool, unsupported);

    QByteArray firstBank = bank73();
    if (unsupported)
        firstBank[6] = char(150);
    VirtualDriver first;
    first.setBank2(firstBank);
    VirtualDriver second;
    second.setBank2(bank73());
    Rig rig(&first);
    if (unsupported) {
        // Asked once, while the first driver is being read and still counts as connected.
        QObject::connect(&rig.engine, &DaliProgramming::productInfoReadUpdateSignal, &rig.engine,
                         [&rig](int state, QString, int value) {
                             if (state == 0 && value == 0 && rig.reads.count() == 1)
                                 rig.engine.startResetOperatingTime();
                         });
    }
    rig.start();
    QTRY_COMPARE(rig.reads.count(), 13);
    if (unsupported) {
        QCOMPARE(rig.resets.count(), 1); // refused with the verdict, not left pending
    } else {
        rig.quiesce();
        rig.engine.startResetOperatingTime();
        rig.link.bus = nullptr;
        rig.tick();
        QTRY_COMPARE(rig.resets.count(), 1);
    }
    QCOMPARE(rig.resets.at(0).at(0).toInt(), 0);

    rig.link.bus = nullptr;
    QTRY_COMPARE(rig.connectionList().last(), 0);
    rig.link.bus = &second;
    QTRY_COMPARE(rig.readList().last(), QString("2 Driver information read complete. 12"));
    QTRY_VERIFY(rig.link.commands.mid(rig.link.commands.lastIndexOf("197:0")).count("153:0") >= 3);
    QCOMPARE(rig.resets.count(), 1);
    QCOMPARE(first.writeCount(), 0);
    QCOMPARE(second.writeCount(), 0);
    QCOMPARE(second.bank2(), bank73());
}

void TestDaliProgramming::requestAskedBeforeARunWaitsForIt_data()
{
    QTest::addColumn<QString>("request");
    QTest::newRow("read") << "read";
    QTest::newRow("reset") << "reset";
}

// Program and a read or reset clicked before the same probe: the run announced on that probe
// ends, and the other request is carried out on the probe after it.
void TestDaliProgramming::requestAskedBeforeARunWaitsForIt()
{
    QFETCH(QString, request);

    VirtualDriver driver;
    driver.setBank2(blankBank());
    Rig rig(&driver);
    rig.startProgrammingAfterRead(recordToProgram(120, 1050));
    const int readsBefore = rig.reads.count();
    if (request == "read")
        rig.engine.startReadProductInfo();
    else
        rig.engine.startResetOperatingTime();
    rig.tick();
    QTRY_COMPARE(rig.stateList(), (QList<int>{1, 3}));
    if (request == "read") {
        QTRY_COMPARE(rig.reads.count(), readsBefore + 13);
        QCOMPARE(rig.readList().last(), QString("2 Driver information read complete. 12"));
    } else {
        QTRY_COMPARE(firstArguments(rig.resets), QList<int>{RESET_OPT_SUCCESS});
    }
    QCOMPARE(rig.stateList(), (QList<int>{1, 3}));
}

QTEST_GUILESS_MAIN(TestDaliProgramming)
#include "tst_daliprogramming.moc"
