#include "ptypair.h"
#include "simdalibus.h"
#include "simprogtool.h"

#include <QSerialPort>
#include <QtTest>

// The simulated programming tool that the link and engine tests stand on: what it takes from the
// line, what it puts on the DALI bus, and what it answers.
class TestSimProgTool : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void daliFrames_data();
    void daliFrames();
    void framesCutFromTheStream_data();
    void framesCutFromTheStream();
    void wrongBaudRateIsNoise();
    void lineNobodyReadsLosesBytes();

private:
    QByteArray received; // everything the tool sent back

    PtyPair* pty = nullptr;
    SimProgTool* tool = nullptr;
    QSerialPort* port = nullptr;
};

namespace {

class RecordingBus : public SimDaliBus
{
public:
    int forwardFrame(quint8 addressByte, quint8 dataByte) override
    {
        frames.append(QByteArray{}.append(char(addressByte)).append(char(dataByte)));
        return reply;
    }
    QList<QByteArray> frames;
    int reply = NO_ANSWER;
};

} // namespace

Q_DECLARE_METATYPE(SimProgTool::Kind)
Q_DECLARE_METATYPE(SimProgTool::FrameType)

void TestSimProgTool::init()
{
    pty = new PtyPair;
    QVERIFY(pty->isOpen());
    tool = new SimProgTool(pty, SimProgTool::Kind::DaliTool);
    port = new QSerialPort;
    port->setPortName(pty->slavePath());
    port->setBaudRate(19200);
    QVERIFY(port->open(QIODevice::ReadWrite));
    received.clear();
    connect(port, &QSerialPort::readyRead, this, [this] { received.append(port->readAll()); });
}

void TestSimProgTool::cleanup()
{
    delete port;
    delete tool;
    delete pty;
    port = nullptr;
    tool = nullptr;
    pty = nullptr;
}

void TestSimProgTool::daliFrames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("busReply");
    QTest::addColumn<int>("forwardFrames");
    QTest::addColumn<QByteArray>("answer");

    QTest::newRow("send once") << QByteArray::fromHex("ff0501") << int(SimDaliBus::NO_ANSWER) << 1
                               << QByteArray::fromHex("0100");
    QTest::newRow("send twice: two forward frames in a row")
        << QByteArray::fromHex("ff2002") << int(SimDaliBus::NO_ANSWER) << 2 << QByteArray::fromHex("0100");
    QTest::newRow("query answered") << QByteArray::fromHex("ffa003") << 0x7f << 1 << QByteArray::fromHex("017f");
    QTest::newRow("query unanswered") << QByteArray::fromHex("ffa003") << int(SimDaliBus::NO_ANSWER) << 1
                                      << QByteArray::fromHex("0000");
    QTest::newRow("query, corrupted backward frame") << QByteArray::fromHex("ffa003") << -2 << 1
                                                     << QByteArray::fromHex("0500");
    QTest::newRow("unknown frame class") << QByteArray::fromHex("ff0504") << 0x11 << 0 << QByteArray::fromHex("0500");
}

void TestSimProgTool::daliFrames()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, busReply);
    QFETCH(int, forwardFrames);
    QFETCH(QByteArray, answer);
    RecordingBus bus;
    bus.reply = busReply;
    tool->setDaliBus(&bus);
    port->write(frame);
    QTRY_COMPARE_WITH_TIMEOUT(received.toHex(' '), answer.toHex(' '), 2000);
    QCOMPARE(bus.frames.size(), forwardFrames);
    for (const QByteArray& forward : bus.frames)
        QCOMPARE(forward.toHex(), frame.left(2).toHex());
}

void TestSimProgTool::framesCutFromTheStream_data()
{
    QTest::addColumn<SimProgTool::Kind>("kind");
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<SimProgTool::FrameType>>("types");
    QTest::addColumn<QByteArray>("answers");

    using T = SimProgTool::FrameType;
    QTest::newRow("USB tool frame and one with a bad CRC")
        << SimProgTool::Kind::UsbTool << QByteArray::fromHex("01002000" "01000000") << QList<T>{T::Usb, T::UsbBadCrc}
        << QByteArray::fromHex("01002000");
    QTest::newRow("boot block header, then the raw block")
        << SimProgTool::Kind::DaliTool << QByteArray::fromHex("fa0903030005000f19" "fa01020304")
        << QList<T>{T::Boot, T::BootBlock} << QByteArray::fromHex("0101");
    QTest::newRow("DALI tool answers its own probe only")
        << SimProgTool::Kind::DaliTool << QByteArray::fromHex("fa06fe0100ff" "fa05fe0300")
        << QList<T>{T::ToolProbe, T::ToolProbe} << QByteArray::fromHex("01");
    QTest::newRow("USB tool answers its own probe only")
        << SimProgTool::Kind::UsbTool << QByteArray::fromHex("fa05fe0300" "fa06fe0100ff")
        << QList<T>{T::ToolProbe, T::ToolProbe} << QByteArray::fromHex("01");
    QTest::newRow("unfinished frame") << SimProgTool::Kind::DaliTool << QByteArray::fromHex("ff05")
                                      << QList<T>{T::Incomplete} << QByteArray();
}

void TestSimProgTool::framesCutFromTheStream()
{
    QFETCH(SimProgTool::Kind, kind);
    QFETCH(QByteArray, stream);
    QFETCH(QList<SimProgTool::FrameType>, types);
    QFETCH(QByteArray, answers);
    tool->setKind(kind);
    port->write(stream);
    QTRY_COMPARE_WITH_TIMEOUT(tool->frames().size(), types.size(), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(received.toHex(' '), answers.toHex(' '), 2000);
    for (int i = 0; i < types.size(); ++i)
        QCOMPARE(tool->frames().at(i).type, types.at(i));
}

void TestSimProgTool::wrongBaudRateIsNoise()
{
    tool->setRequiredBaudRate(1200);
    port->write(QByteArray::fromHex("ff0501"));
    QTRY_COMPARE_WITH_TIMEOUT(tool->frames().size(), 1, 2000);
    QCOMPARE(tool->frames().first().type, SimProgTool::FrameType::Garbled);
    QSignalSpy answers(port, &QSerialPort::readyRead);
    QVERIFY(!answers.wait(300));

    port->setBaudRate(1200);
    QCOMPARE(tool->lineBaudRate(), 1200);
    port->write(QByteArray::fromHex("ff0501"));
    QTRY_COMPARE_WITH_TIMEOUT(received.toHex(' '), QByteArray("01 00"), 2000);
}

void TestSimProgTool::lineNobodyReadsLosesBytes()
{
    // The product has closed its port: an answer larger than the line can hold must not stall
    // the tool (and the test) waiting for a reader.
    port->close();
    const QByteArray answer(64 * 1024, '\x55');
    tool->sendRaw(answer);
    QCOMPARE(tool->sentChunks().size(), 1);
    QVERIFY(tool->sentChunks().first().bytes.size() < answer.size());
}

QTEST_GUILESS_MAIN(TestSimProgTool)
#include "tst_simprogtool.moc"
