#include "daliprogramming.h"

#include "daliframe.h"
#include "daliprogramming_testdata.h"
#include "globals.h"
#include "ptypair.h"
#include "serialcommunication.h"
#include "simprogtool.h"
#include "virtualdriver.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

// The DALI programming engine end to end: the serial link on a pseudo-terminal, the simulated
// DALI programming tool on its other side, virtual drivers on the tool's bus. Wired as the
// window wires them; the window's driver-detection timer ticks faster here.
struct PtyRig
{
    PtyPair pty;
    SimProgTool tool{&pty, SimProgTool::Kind::DaliTool};
    SerialCommunication link;
    DaliProgramming engine;
    QTimer detectTimer;
    QSignalSpy states{&engine, &DaliProgramming::programmingStateUpdatedSignal};
    QSignalSpy reads{&engine, &DaliProgramming::productInfoReadUpdateSignal};
    QSignalSpy connection{&engine, &DaliProgramming::driverConnectionStateChangeSignal};
    QSignalSpy resets{&engine, &DaliProgramming::resetOptResultSignal};
    QStringList linkLog;

    explicit PtyRig(SimDaliBus* bus)
    {
        tool.setDaliBus(bus);
        link.buildCommandTables();
        link.setWorkMode(SENDER_DALI_PROGRAMMING);
        link.setPortLister([this] { return QList<ToolPortInfo>{ftdiToolPort(pty.slavePath())}; });
        connectEngineToLink(engine, link);
        detectTimer.setInterval(100);
        connectDetectTimer(engine, detectTimer);
        engine.setEnabled(1);
        QObject::connect(&link, &SerialCommunication::debug_msg, &link, [this](const QString& m) { linkLog << m; });
    }

    QList<int> stateList() const { return firstArguments(states); }
    QList<int> connectionList() const { return firstArguments(connection); }
    QStringList readList() const { return readUpdates(reads); }
};

namespace {

constexpr int LONG_WAIT_MS = 30000;

QString busTrace(const QList<QPair<quint8, quint8>>& frames)
{
    QStringList l;
    for (const auto& f : frames)
        l << QString("%1 %2").arg(f.first, 2, 16, QChar('0')).arg(f.second, 2, 16, QChar('0')).toUpper();
    return l.join(", ");
}

// The bus trace from the first place where `start` begins. Detection keeps polling between the
// steps of a test, so only driver probes (and the tool probe) may come before it.
QString traceFrom(const QString& trace, const QString& start)
{
    const int at = trace.indexOf(start);
    if (at < 0)
        return QString("not found in: ") + trace;
    QString before = trace.left(at);
    before.remove("FF 99, ").remove("C1 00, ");
    if (!before.isEmpty())
        return QString("unexpected frames before it: ") + before;
    return trace.mid(at);
}

// What reaches the driver for one full programming run of recordToProgram(120, 1050): the
// enable-write command comes three times, twice as sent and once more as the link's repeat.
const char* const FULL_PROGRAM_BUS =
    "FF 99, C3 02, A3 02, FF 81, FF 81, FF 81, C7 55, "
    "C3 02, A3 03, C7 1A, C7 04, "
    "C3 02, A3 09, C7 07, C7 3C, C7 01, C7 00, C7 0C, C7 18, C7 24, C7 30, C7 3C, C7 48, C7 54, C7 64, "
    "C7 62, C7 60, C7 5E, C7 5C, C7 5A, C7 58, C7 56, C7 0F, C7 EF, C7 CD, C7 AB, "
    "C3 02, A3 24, C7 01, C7 01, C7 1E, C7 8C, C7 0A, C7 F4, C7 01, "
    "C3 02, A3 34, C7 05, C7 00, C7 5F, C7 0F, C7 01, C7 0A, C7 14, C7 1E, C7 28, C7 32, C7 64, C7 4B, "
    "C7 32, C7 19, C7 0A, C7 E2, C7 01, C7 02, C7 04, C7 08, C7 10";

// The tool answers as usual, except the first time the given frame comes: then with answer
// (empty: no answer at all).
void failOnce(SimProgTool& tool, quint8 addressByte, quint8 dataByte, const QByteArray& answer)
{
    auto pending = std::make_shared<bool>(true);
    tool.setDaliHandler([=](quint8 a, quint8 d, quint8 frameClass, int backward) {
        if (*pending && a == addressByte && d == dataByte) {
            *pending = false;
            return answer;
        }
        if (frameClass == DALI_FRAME_SEND_ONCE || frameClass == DALI_FRAME_SEND_TWICE)
            return hex("01 00");
        if (frameClass != DALI_FRAME_QUERY || backward < SimDaliBus::NO_ANSWER)
            return hex("05 00");
        if (backward == SimDaliBus::NO_ANSWER)
            return hex("00 00");
        return hex("01") + QByteArray(1, char(backward));
    });
}

// The tool answers with its status byte first and the backward frame gapMs later, past the link's
// 40 ms read time: the first time the given frame comes, and with `onward` every answer after it.
void splitAnswers(SimProgTool& tool, const QByteArray& frame, bool onward, int gapMs)
{
    auto seen = std::make_shared<int>(0);
    QObject::connect(&tool, &SimProgTool::frameReceived, &tool, [=, &tool](const QByteArray& bytes) {
        if (*seen == 0 && bytes == frame)
            *seen = 1;
        else if (*seen > 0)
            ++*seen;
        const bool split = *seen == 1 || (*seen > 1 && onward);
        tool.setAnswerChunks(split ? QList<int>{1} : QList<int>(), gapMs);
    });
}

// Clears the bus and serial traces and starts an operation while no probe waits for its answer.
// The operation begins on the answer to the next probe, which is then the first frame of both
// traces; cleared while a probe was out, they would miss the probe that started it. No event is
// processed between the look at the line and the start.
void startOnQuietLine(PtyRig& rig, VirtualDriver& driver, const std::function<void()>& start)
{
    QVERIFY(QTest::qWaitFor([&rig] { return !rig.link.transactionEngine().isAwaitingAnswer(); }, LONG_WAIT_MS));
    driver.clearFrames();
    rig.tool.clearFrames();
    start();
}

} // namespace

class TestDaliProgrammingPty : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void readOverThePort();
    void programOverThePort();
    void toolErrorAnswerIsRetried();
    void silentToolFailsAttemptAtOnce();
    void lateAnswerTail_data();
    void lateAnswerTail();
    void productionLoopOverThreeDrivers();
    void resetOverThePort();
    void garbageDriverIsNotConnected();

private:
    static void findTool(PtyRig& rig);
    static void startProgrammingUnread(PtyRig& rig);
};

void TestDaliProgrammingPty::initTestCase()
{
    setBareProductList();
}

void TestDaliProgrammingPty::init()
{
    programToolIndex = PROG_TOOL_DALI;
    profileLoaded = 0;
}

void TestDaliProgrammingPty::findTool(PtyRig& rig)
{
    QVERIFY(rig.pty.isOpen());
    // One detection pass sends the probe, the next one finds its answer.
    QVERIFY(!rig.link.checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    QTRY_VERIFY(rig.linkLog.contains("UART response data: 0100"));
    QVERIFY(rig.link.checkToolPort(SerialCommunication::TOOL_KIND_DALI));
    rig.tool.clearFrames();
    rig.engine.toolConnectionStateChange(1);
}

// With a profile loaded the found driver is not read first: programming starts straight away.
void TestDaliProgrammingPty::startProgrammingUnread(PtyRig& rig)
{
    profileLoaded = 1;
    findTool(rig);
    QTRY_COMPARE_WITH_TIMEOUT(rig.connectionList(), QList<int>{1}, LONG_WAIT_MS);
    rig.engine.writeRecord() = recordToProgram(120, 1050);
    rig.engine.startProgramming();
}

void TestDaliProgrammingPty::readOverThePort()
{
    VirtualDriver driver;
    driver.setBank2(bank73());
    PtyRig rig(&driver);
    findTool(rig);
    driver.clearFrames();
    QTRY_COMPARE_WITH_TIMEOUT(rig.reads.count(), 13, LONG_WAIT_MS);
    QCOMPARE(rig.readList(), FULL_PROGRESS);
    QCOMPARE(rig.connectionList(), QList<int>{1});
    compareRecords(rig.engine.readRecord(), bank73Record(73));

    // The probe, DTR1/DTR0 to address 0, its read, DTR1/DTR0 to address 3, then 70 reads.
    const QString trace = busTrace(driver.frames());
    QVERIFY2(traceFrom(trace, "FF 99, C3 02").startsWith("FF 99, C3 02, A3 00, FF C5, C3 02, A3 03, FF C5, FF C5"),
             qPrintable(trace));
    QCOMPARE(trace.count("FF C5"), 71);
    QCOMPARE(driver.dtr0(), quint8(73)); // the read stopped after address 72
}

void TestDaliProgrammingPty::programOverThePort()
{
    VirtualDriver driver;
    driver.setBank2(blankBank());
    PtyRig rig(&driver);
    findTool(rig);
    QTRY_COMPARE_WITH_TIMEOUT(rig.reads.count(), 13, LONG_WAIT_MS);

    rig.engine.writeRecord() = recordToProgram(120, 1050);
    startOnQuietLine(rig, driver, [&rig] { rig.engine.startProgramming(); });
    QTRY_COMPARE_WITH_TIMEOUT(rig.stateList(), (QList<int>{1, 3}), LONG_WAIT_MS);
    QCOMPARE(traceFrom(busTrace(driver.frames()), "FF 99, C3 02").left(qstrlen(FULL_PROGRAM_BUS)),
             QString(FULL_PROGRAM_BUS));
    QCOMPARE(driver.bank2().toHex(' ').toUpper(), hex(FULL_PROGRAM_BANK).toHex(' ').toUpper());
    // On the serial line: the probe, 65 commands and the repeat of the send-twice frame.
    const QList<QByteArray> serial = rig.tool.frameBytes();
    const int first = serial.indexOf(hex("C3 02 01"));
    QVERIFY(first >= 1);
    QVERIFY(serial.size() >= first + 66);
    QCOMPARE(serial.at(first - 1), hex("FF 99 03"));
    QCOMPARE(serial.at(first + 2), hex("FF 81 02"));
    QCOMPARE(serial.at(first + 3), hex("FF 81 01"));
    QCOMPARE(serial.at(first + 4), hex("C7 55 03"));
    QCOMPARE(serial.at(first + 65), hex("C7 10 03"));
}

void TestDaliProgrammingPty::toolErrorAnswerIsRetried()
{
    VirtualDriver driver;
    driver.setBank2(blankBank());
    PtyRig rig(&driver);
    // The whole bus trace counts (the probe whose answer starts the run may be on the bus before
    // startProgramming() is called); before the run there are only probes.
    startProgrammingUnread(rig);
    // The tool reports an error for the first enable-write command.
    failOnce(rig.tool, 0xFF, 0x81, hex("05 00"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.stateList(), (QList<int>{1, 4, 3}), LONG_WAIT_MS);
    QCOMPARE(driver.bank2().toHex(' ').toUpper(), hex(FULL_PROGRAM_BANK).toHex(' ').toUpper());
    // The first attempt ends at the enable-write the tool failed (no repeat), the second starts over.
    QVERIFY(traceFrom(busTrace(driver.frames()), "FF 99, C3 02")
                .startsWith("FF 99, C3 02, A3 02, FF 81, FF 81, C3 02, A3 02, FF 81, FF 81, FF 81, C7 55"));
}

void TestDaliProgrammingPty::silentToolFailsAttemptAtOnce()
{
    VirtualDriver first;
    first.setBank2(blankBank());
    VirtualDriver second;
    second.setBank2(blankBank());
    PtyRig rig(&first);
    startProgrammingUnread(rig);
    failOnce(rig.tool, 0xA3, 0x02, QByteArray()); // DTR0 := 2 unanswered: the link times out after 4 s
    QTRY_COMPARE_WITH_TIMEOUT(rig.stateList(), (QList<int>{1, 2}), LONG_WAIT_MS);
    QCOMPARE(first.writeCount(), 0);

    // Detection goes on; the failed driver stays and is left alone, the next one is programmed.
    rig.tool.clearFrames();
    QTRY_VERIFY_WITH_TIMEOUT(rig.tool.frameBytes().count(hex("FF 99 03")) >= 2, LONG_WAIT_MS);
    QCOMPARE(rig.stateList(), (QList<int>{1, 2}));
    rig.tool.setDaliBus(nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(rig.connectionList(), (QList<int>{1, 0}), LONG_WAIT_MS);
    rig.tool.setDaliBus(&second);
    QTRY_COMPARE_WITH_TIMEOUT(rig.stateList(), (QList<int>{1, 2, 1, 3}), LONG_WAIT_MS);
    QCOMPARE(second.bank2().toHex(' ').toUpper(), hex(FULL_PROGRAM_BANK).toHex(' ').toUpper());
}

void TestDaliProgrammingPty::lateAnswerTail_data()
{
    QTest::addColumn<bool>("onward");
    QTest::addColumn<QList<int>>("states");
    // DTR0 := 2 answered late once: the attempt fails on the short answer, the retry is not
    // answered by the late byte and succeeds.
    QTest::newRow("one answer") << false << QList<int>{1, 4, 3};
    // Every answer late from there on: every attempt fails, none succeeds on answers shifted by
    // one byte.
    QTest::newRow("every answer") << true << QList<int>{1, 4, 4, 4, 2};
}

void TestDaliProgrammingPty::lateAnswerTail()
{
    QFETCH(bool, onward);
    QFETCH(QList<int>, states);
    VirtualDriver driver;
    driver.setBank2(blankBank());
    PtyRig rig(&driver);
    startProgrammingUnread(rig);
    splitAnswers(rig.tool, hex("A3 02 01"), onward, 60);
    QTRY_COMPARE_WITH_TIMEOUT(rig.stateList().size(), states.size(), LONG_WAIT_MS);
    QCOMPARE(rig.stateList(), states);
    if (states.last() == 3)
        QCOMPARE(driver.bank2().toHex(' ').toUpper(), hex(FULL_PROGRAM_BANK).toHex(' ').toUpper());
}

void TestDaliProgrammingPty::productionLoopOverThreeDrivers()
{
    VirtualDriver drivers[3];
    for (VirtualDriver& d : drivers) {
        d.setBank2(blankBank());
        d.unplug();
    }
    PtyRig rig(&drivers[0]);
    drivers[0].plugIn();
    findTool(rig);
    QTRY_COMPARE_WITH_TIMEOUT(rig.reads.count(), 13, LONG_WAIT_MS);
    rig.engine.writeRecord() = recordToProgram(120, 1050);
    rig.engine.startProgramming();
    QTRY_COMPARE_WITH_TIMEOUT(rig.stateList(), (QList<int>{1, 3}), LONG_WAIT_MS);

    for (int i = 1; i < 3; ++i) {
        drivers[i - 1].unplug();
        QTRY_COMPARE_WITH_TIMEOUT(rig.stateList().size(), 3 * i, LONG_WAIT_MS);
        QCOMPARE(rig.stateList().last(), 5);
        rig.tool.setDaliBus(&drivers[i]);
        drivers[i].plugIn();
        QTRY_COMPARE_WITH_TIMEOUT(rig.stateList().size(), 3 * i + 2, LONG_WAIT_MS);
    }
    QCOMPARE(rig.stateList(), (QList<int>{1, 3, 5, 1, 3, 5, 1, 3}));
    QCOMPARE(rig.connectionList(), (QList<int>{1, 0, 1, 0, 1}));
    for (VirtualDriver& d : drivers) {
        d.plugIn();
        QCOMPARE(d.bank2().mid(3), hex(FULL_PROGRAM_BANK).mid(3)); // the lock byte is back at 0xFF
    }
    QCOMPARE(rig.reads.count(), 13);
}

void TestDaliProgrammingPty::resetOverThePort()
{
    VirtualDriver driver;
    driver.setBank2(bank73());
    PtyRig rig(&driver);
    findTool(rig);
    QTRY_COMPARE_WITH_TIMEOUT(rig.reads.count(), 13, LONG_WAIT_MS);
    startOnQuietLine(rig, driver, [&rig] { rig.engine.startResetOperatingTime(); });
    QTRY_COMPARE_WITH_TIMEOUT(rig.resets.count(), 1, LONG_WAIT_MS);
    QCOMPARE(rig.resets.at(0).at(0).toInt(), 1);
    QCOMPARE(traceFrom(busTrace(driver.frames()), "FF 99, C3 02").left(89),
             QString("FF 99, C3 02, A3 02, FF 81, FF 81, FF 81, C7 55, C3 02, A3 1C, C7 00, C7 00, C7 00, C7 00"));
    QCOMPARE(driver.bank2().mid(26, 8), hex("5E 5D 00 00 00 00 00 01"));
}

void TestDaliProgrammingPty::garbageDriverIsNotConnected()
{
    VirtualDriver driver;
    driver.setBank2(bank73());
    driver.setAnswerMode(VirtualDriver::AnswerMode::Garbage);
    PtyRig rig(&driver);
    findTool(rig);
    QTRY_VERIFY_WITH_TIMEOUT(rig.tool.frameBytes().count(hex("FF 99 03")) >= 3, LONG_WAIT_MS);
    QCOMPARE(rig.connectionList(), QList<int>{});
    driver.setAnswerMode(VirtualDriver::AnswerMode::Normal);
    QTRY_COMPARE_WITH_TIMEOUT(rig.connectionList(), QList<int>{1}, LONG_WAIT_MS);
}

QTEST_GUILESS_MAIN(TestDaliProgrammingPty)
#include "tst_daliprogramming_pty.moc"
