#include "globals.h"
#include "nfctag_testdata.h"
#include "simcr95hfreader.h"
#include "simisotag.h"
#include "st_nfc.h"

#include <QSignalSpy>
#include <QtTest>

// The CR95HF engine on its own, through the stand-in reader library loaded by name: what it makes
// of a missing library and of the reader's answers, the requests of a read and a write, faulty
// exchanges during programming, detection of tags that stay, change or go, and the factory reset.
class TestStNfc : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void missingLibraryOnlyFails();
    void connectTool_data();
    void connectTool();
    void readRequestsAndRecord();
    void programmingWritesOnlyWhatDiffers();
    void programmingOutcomes_data();
    void programmingOutcomes();
    void detection_data();
    void detection();
    void factoryReset_data();
    void factoryReset();
};

namespace {

const QByteArray UID = tagHex("E0 04 01 50 2A 3B 4C 5D");
const QByteArray UID_HEX = "e00401502a3b4c5d";

QString joined(const QSignalSpy& spy)
{
    QStringList values;
    for (const QList<QVariant>& args : spy) {
        QStringList texts;
        for (const QVariant& v : args)
            texts << (v.type() == QVariant::String ? v.toString() : QString::number(v.toInt()));
        values << texts.join(QLatin1Char('|'));
    }
    return values.join(QLatin1Char(' '));
}

// Reader with one tag of product 100, and an enabled engine that found the reader and read the
// tag at the tool change.
struct Rig
{
    SimCr95hfReader reader;
    SimIsoTag tag{UID};
    ST_NFC engine;
    QSignalSpy states{&engine, &ST_NFC::programmingStateUpdatedSignal};
    QSignalSpy reads{&engine, &ST_NFC::productInfoReadUpdateSignal};
    QSignalSpy drivers{&engine, &ST_NFC::driverConnectionStateChangeSignal};
    QSignalSpy errors{&engine, &ST_NFC::communicateError};
    QSignalSpy boxes{&engine, &ST_NFC::showInformation};
    QSignalSpy debug{&engine, &ST_NFC::debug_msg};

    Rig()
    {
        if (!reader.isInstalled())
            qFatal("stand-in reader library not found");
        tag.setDriverImage(tagImage(100, 0));
        reader.placeTag(&tag);
        engine.setEnabled(1);
        if (!engine.connectTool() || !engine.selectProtocol())
            qFatal("simulated reader not connected");
        engine.toolConnectionStateChange(1);
    }

    // Programs the tag with the record read from it, at this current.
    void program(quint16 current)
    {
        engine.writeRecord() = engine.readRecord();
        engine.writeRecord().current = current;
        reader.clearRequests();
        engine.startProgramming();
    }

    int requestsStartingWith(const QByteArray& prefix) const
    {
        int n = 0;
        for (const QByteArray& r : reader.requests())
            n += r.startsWith(prefix) ? 1 : 0;
        return n;
    }

    // Tag buffer bytes 0 to 7 and 74, 75: first byte, identity, current, and the bytes after the
    // parameter table.
    QByteArray tagEdges() const
    {
        const QByteArray blocks = tag.blocks(1, ST_NFC::TAG_BLOCKS);
        return (blocks.left(8) + blocks.mid(74)).toHex(' ').toUpper();
    }
};

} // namespace

void TestStNfc::init()
{
    profileLoaded = 0;
}

void TestStNfc::missingLibraryOnlyFails()
{
    ST_NFC engine(nullptr, QStringLiteral("CR95HF-not-installed"));
    QSignalSpy debug(&engine, &ST_NFC::debug_msg);
    QVERIFY(!engine.connectTool());
    QCOMPARE(debug.last().at(0).toString(), QString("usbConnect function fail"));
    QVERIFY(!engine.selectProtocol());
    QVERIFY(!engine.inventory());
    engine.setEnabled(1);
    engine.toolConnectionStateChange(1);
    QCOMPARE(debug.last().at(0).toString(), QString("Lost driver connection!"));
}

void TestStNfc::connectTool_data()
{
    QTest::addColumn<QByteArray>("pinAnswer");
    QTest::addColumn<QByteArray>("idnAnswer");
    QTest::addColumn<bool>("plugged");
    QTest::addColumn<QString>("lastDebug");
    QTest::addColumn<QString>("interface");

    const QByteArray idn = tagHex("00 02 4B 00");
    const QString ok = "ST NFC tool successfully detected.";
    QTest::newRow("UART") << tagHex("00 01 00") << idn << true << ok << "UART Mode";
    QTest::newRow("SPI") << tagHex("80 01 01") << idn << true << ok << "SPI Mode";
    QTest::newRow("no pin state byte") << tagHex("00") << idn << true << ok << "UART Mode";
    QTest::newRow("pin state error") << tagHex("83 00") << idn << true << "Check error code" << "";
    QTest::newRow("empty pin state") << QByteArray() << idn << true << "Check error code" << "";
    QTest::newRow("Idn error") << tagHex("00 01 00") << tagHex("82 00") << true << "Check error code" << "UART Mode";
    QTest::newRow("unplugged") << tagHex("00 01 00") << idn << false << "Programmer not connected" << "";
}

void TestStNfc::connectTool()
{
    QFETCH(QByteArray, pinAnswer);
    QFETCH(QByteArray, idnAnswer);
    QFETCH(bool, plugged);
    QFETCH(QString, lastDebug);
    QFETCH(QString, interface);

    SimCr95hfReader reader;
    QVERIFY(reader.isInstalled());
    reader.setInterfacePinAnswer(pinAnswer);
    reader.setIdnAnswer(idnAnswer);
    if (!plugged)
        reader.unplug();
    ST_NFC engine;
    QSignalSpy debug(&engine, &ST_NFC::debug_msg);
    QCOMPARE(engine.connectTool(), lastDebug == "ST NFC tool successfully detected.");
    QCOMPARE(debug.last().at(0).toString(), lastDebug);
    QCOMPARE(engine.interfaceText(), interface);
}

void TestStNfc::readRequestsAndRecord()
{
    Rig rig;
    QCOMPARE(rig.reader.requests(), QList<QByteArray>({
                                        "Select 010d",
                                        "STCmd 02a00126",
                                        "SendReceive 0226",
                                        "SendReceive 2223" + UID_HEX + "0107", // blocks 1 to 8
                                        "SendReceive 2223" + UID_HEX + "0907", // 9 to 16
                                        "SendReceive 2223" + UID_HEX + "1102", // 17 to 19
                                    }));
    QCOMPARE(joined(rig.drivers), QString("1"));
    QCOMPARE(joined(rig.reads), QString("2|Driver information read complete.|12"));
    const ProgDataStructDef& read = rig.engine.readRecord();
    QCOMPARE(int(read.current), 700);
    QCOMPARE(int(read.productIndex), 100);
    QCOMPARE(int(read.firmwareVersion), 0x0105);
    QCOMPARE(read.midnightOffset, -30);
    QCOMPARE(int(read.timerDimOverrideFadeTime), 7);
    QVERIFY(rig.debug.contains({"block 01 :A50155BC"}));
    QVERIFY(rig.debug.contains({"block 13 :0507494A"}));
}

void TestStNfc::programmingWritesOnlyWhatDiffers()
{
    Rig rig;
    rig.program(1050);
    QCOMPARE(joined(rig.states), QString("3"));
    QCOMPARE(rig.requestsStartingWith("SendReceive 2221"), 19);
    QCOMPARE(rig.reader.requests().at(2), "SendReceive 2221" + UID_HEX + "01a501551a");
    QCOMPARE(rig.reader.requests().at(20), "SendReceive 2221" + UID_HEX + "130507494a");
    QCOMPARE(rig.tagEdges(), QByteArray("A5 01 55 1A 04 00 64 05 49 4A"));

    // The tag holds these settings already: nothing to write.
    rig.program(1050);
    QCOMPARE(rig.requestsStartingWith("SendReceive 2221"), 0);
    // New settings for the same tag are written, although the tag holds what was written last.
    rig.program(1100);
    QCOMPARE(rig.requestsStartingWith("SendReceive 2221"), 19);
    QCOMPARE(joined(rig.states), QString("3 3 3"));
    QCOMPARE(rig.tagEdges(), QByteArray("A5 01 55 4C 04 00 64 05 49 4A"));
}

void TestStNfc::programmingOutcomes_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("states");
    QTest::addColumn<int>("writes"); // block writes sent, failed ones included

    using F = SimCr95hfReader::Fault;
    QTest::newRow("time-out twice: the exchange's third try") << int(F::TimedOut) << 2 << "3" << 21;
    QTest::newRow("time-out three times: a second attempt") << int(F::TimedOut) << 3 << "4 3" << 22;
    QTest::newRow("tag error flag") << int(F::TagError) << 3 << "4 3" << 22;
    QTest::newRow("empty answer") << int(F::EmptyAnswer) << 3 << "4 3" << 22;
    QTest::newRow("truncated read-back") << int(F::TruncatedAnswer) << 3 << "4 3" << 38;
    QTest::newRow("wrong read-back, fourth attempt") << int(F::CorruptReadBack) << 3 << "4 4 4 3" << 76;
    QTest::newRow("wrong read-back every attempt") << int(F::CorruptReadBack) << 4 << "4 4 4 2" << 76;
}

void TestStNfc::programmingOutcomes()
{
    QFETCH(int, fault);
    QFETCH(int, count);
    QFETCH(QString, states);
    QFETCH(int, writes);

    Rig rig;
    rig.reader.injectFault(SimCr95hfReader::Fault(fault), count);
    rig.program(1050);
    QCOMPARE(joined(rig.states), states);
    QCOMPARE(rig.requestsStartingWith("SendReceive 2221"), writes);
    QCOMPARE(rig.tagEdges(), QByteArray("A5 01 55 1A 04 00 64 05 49 4A"));
}

void TestStNfc::detection_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("states");  // after the armed run's 3
    QTest::addColumn<QString>("drivers"); // after the first tag's 1
    QTest::addColumn<int>("reads");       // completed reads after the first
    QTest::addColumn<QString>("box");

    QTest::newRow("tag stays") << "stay" << "" << "" << 0 << "";
    QTest::newRow("tag removed") << "remove" << "5" << "0" << 0 << "";
    QTest::newRow("same product swapped in") << "same product" << "5 1 3" << "0 1" << 0 << "";
    QTest::newRow("other product swapped in") << "other product" << "5" << "0 1" << 1 << "";
    QTest::newRow("second tag on the reader")
        << "second tag" << "5" << "0" << 0 << "Warning|Collision detected! Make sure there is no other NFC tags nearby.";
    QTest::newRow("reader unplugged") << "unplug" << "5" << "0" << 0 << "";
}

void TestStNfc::detection()
{
    QFETCH(QString, event);
    QFETCH(QString, states);
    QFETCH(QString, drivers);
    QFETCH(int, reads);
    QFETCH(QString, box);

    Rig rig;
    rig.program(1050);
    SimIsoTag other(tagHex("E0 04 01 50 99 88 77 66"));
    other.setDriverImage(tagImage(event == "other product" ? 101 : 100, 0));
    if (event == "remove")
        rig.reader.removeTags();
    else if (event == "second tag")
        rig.reader.addTag(&other);
    else if (event == "unplug")
        rig.reader.unplug();
    else if (event != "stay")
        rig.reader.placeTag(&other);
    rig.states.clear();
    rig.drivers.clear();
    rig.reads.clear();
    rig.engine.checkDriverConnection();

    QCOMPARE(joined(rig.states), states);
    QCOMPARE(joined(rig.drivers), drivers);
    QCOMPARE(rig.reads.size(), reads);
    QCOMPARE(joined(rig.boxes), box);
    QCOMPARE(joined(rig.errors), QString(event == "unplug" ? "2" : ""));
    // Only a tag of the armed product is programmed.
    QCOMPARE(other.driverImage().mid(2, 2).toHex(' '), QByteArray(event == "same product" ? "1a 04" : "bc 02"));
}

void TestStNfc::factoryReset_data()
{
    QTest::addColumn<bool>("tagOnReader");
    QTest::addColumn<int>("corruptReads");
    QTest::addColumn<QString>("lastDebug");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QByteArray>("edges");

    const QByteArray untouched = "A5 01 55 BC 02 00 64 05 49 4A";
    QTest::newRow("reset") << true << 0 << "ST NFC factory reset check OK" << "Information|Factory reset success!"
                           << QByteArray("A5 01 55 F4 01 00 65 05 49 4A");
    QTest::newRow("no tag") << false << 0 << "ST NFC factory reset inventory fail..." << "Error|Factory reset fail!"
                            << untouched;
    QTest::newRow("check fails") << true << 2 << "ST NFC factory reset check data fail..."
                                 << "Error|Factory reset fail!" << QByteArray("A5 01 55 F4 01 00 65 05 49 4A");
}

void TestStNfc::factoryReset()
{
    QFETCH(bool, tagOnReader);
    QFETCH(int, corruptReads);
    QFETCH(QString, lastDebug);
    QFETCH(QString, box);
    QFETCH(QByteArray, edges);

    Rig rig;
    // Factory data of product 101 at 500 mA; its firmware version 0xFFFF keeps the driver's.
    ProgDataStructDef factory = rig.engine.readRecord();
    factory.productIndex = 101;
    factory.current = 500;
    factory.firmwareVersion = 0xFFFF;
    rig.engine.writeRecord() = factory;
    if (!tagOnReader)
        rig.reader.removeTags();
    rig.reader.injectFault(SimCr95hfReader::Fault::CorruptReadBack, corruptReads);
    rig.reads.clear();
    rig.engine.factoryReset();

    QVERIFY(rig.debug.contains({lastDebug}));
    QCOMPARE(joined(rig.boxes), box);
    QCOMPARE(rig.reads.size(), lastDebug.endsWith("OK") ? 1 : 0);
    QCOMPARE(rig.tagEdges(), edges);
}

QTEST_GUILESS_MAIN(TestStNfc)
#include "tst_st_nfc.moc"
