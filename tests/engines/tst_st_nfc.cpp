#include "globals.h"
#include "nfctag_testdata.h"
#include "recordingprompt.h"
#include "simcr95hfreader.h"
#include "simisotag.h"
#include "st_nfc.h"

#include <QSignalSpy>
#include <QtTest>

// The CR95HF engine on its own, through the stand-in reader library loaded by name.
class TestStNfc : public QObject
{
    Q_OBJECT
private slots:
    void init() { profileLoaded = 0; }
    void connectTool_data();
    void connectTool();
    void requestsOfAReadAndAWrite();
    void programmingOutcomes_data();
    void programmingOutcomes();
    void detection_data();
    void detection();
    void factoryReset_data();
    void factoryReset();
    void writeDefaultImage_data();
    void writeDefaultImage();
};

namespace {

const QByteArray UID = tagHex("E0 04 01 50 2A 3B 4C 5D");
const QByteArray UID_HEX = "e00401502a3b4c5d";
const QByteArray PROGRAMMED_1050 = "A5 01 55 1A 04 00 64 05 49 4A";

// "a|b c|d": the arguments of each emission.
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
    QSignalSpy debug{&engine, &ST_NFC::debug_msg};
    RecordingPrompt prompt;

    Rig()
    {
        engine.setPrompt(&prompt);
        tag.setDriverImage(tagImage(100, 0));
        reader.placeTag(&tag);
        engine.setEnabled(1);
        if (!engine.connectTool() || !engine.selectProtocol())
            qFatal("stand-in reader library not found");
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

    int blockWrites() const
    {
        int n = 0;
        for (const QByteArray& r : reader.requests())
            n += r.startsWith("SendReceive 2221") ? 1 : 0;
        return n;
    }
};

// Tag buffer bytes 0 to 7, 74 and 75: first byte, identity and current, and the two bytes after
// the parameter table.
QByteArray tagEdges(const SimIsoTag& tag)
{
    const QByteArray blocks = tag.blocks(1, ST_NFC::TAG_BLOCKS);
    return (blocks.left(8) + blocks.mid(74)).toHex(' ').toUpper();
}

} // namespace

void TestStNfc::connectTool_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<QByteArray>("pinAnswer");
    QTest::addColumn<QString>("lastDebug");
    QTest::addColumn<QString>("interface");

    const QString ours = Cr95hfLibrary::DEFAULT_NAME;
    const QByteArray uart = tagHex("00 01 00");
    const QString ok = "ST NFC tool successfully detected.";
    QTest::newRow("UART") << ours << uart << ok << "UART Mode";
    QTest::newRow("SPI") << ours << tagHex("80 01 01") << ok << "SPI Mode";
    QTest::newRow("pin state error") << ours << tagHex("83 00") << "Check error code" << "";
    QTest::newRow("no library") << "CR95HF-not-installed" << uart << "usbConnect function fail" << "";
}

void TestStNfc::connectTool()
{
    QFETCH(QString, library);
    QFETCH(QByteArray, pinAnswer);
    QFETCH(QString, lastDebug);
    QFETCH(QString, interface);

    SimCr95hfReader reader;
    QVERIFY(reader.isInstalled());
    reader.setInterfacePinAnswer(pinAnswer);
    ST_NFC engine(nullptr, library);
    QSignalSpy debug(&engine, &ST_NFC::debug_msg);
    QCOMPARE(engine.connectTool(), lastDebug.endsWith("detected."));
    QCOMPARE(debug.last().at(0).toString(), lastDebug);
    QCOMPARE(engine.interfaceText(), interface);
}

void TestStNfc::requestsOfAReadAndAWrite()
{
    Rig rig;
    QCOMPARE(joined(rig.reads), QString("2|Driver information read complete.|12"));
    QVERIFY(rig.debug.contains({"block 13 :0507494A"})); // fade time, override fade, two kept bytes
    rig.program(1050);
    QCOMPARE(rig.blockWrites(), 19);
    const QList<QByteArray> requests = rig.reader.requests();
    QCOMPARE(requests.mid(0, 3), QList<QByteArray>({"STCmd 02a00126", "SendReceive 0226",
                                                    "SendReceive 2221" + UID_HEX + "01a501551a"}));
    QCOMPARE(requests.mid(20), QList<QByteArray>({
                                   "SendReceive 2221" + UID_HEX + "130507494a", // block 19, then the read-back:
                                   "SendReceive 2223" + UID_HEX + "0107",       // blocks 1 to 8
                                   "SendReceive 2223" + UID_HEX + "0907",       // 9 to 16
                                   "SendReceive 2223" + UID_HEX + "1102",       // 17 to 19
                               }));
    QCOMPARE(tagEdges(rig.tag), PROGRAMMED_1050);

    rig.program(1050); // the tag holds these settings already: nothing to write
    QCOMPARE(rig.blockWrites(), 0);
    rig.program(1100); // new settings are written, though the tag holds what was written last
    QCOMPARE(rig.blockWrites(), 19);
    QCOMPARE(joined(rig.states), QString("3 3 3"));
    QCOMPARE(tagEdges(rig.tag), QByteArray("A5 01 55 4C 04 00 64 05 49 4A"));
}

void TestStNfc::programmingOutcomes_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("states");
    QTest::addColumn<int>("writes"); // block writes sent, failed ones included
    QTest::addColumn<int>("result"); // programmingResult(): 3 success, 4 fail

    using F = SimCr95hfReader::Fault;
    QTest::newRow("time-out twice: the exchange's third try") << int(F::TimedOut) << 2 << "3" << 21 << 3;
    QTest::newRow("time-out three times: a second attempt") << int(F::TimedOut) << 3 << "4 3" << 22 << 3;
    QTest::newRow("tag error flag") << int(F::TagError) << 3 << "4 3" << 22 << 3;
    QTest::newRow("empty answer") << int(F::EmptyAnswer) << 3 << "4 3" << 22 << 3;
    QTest::newRow("truncated read-back") << int(F::TruncatedAnswer) << 3 << "4 3" << 38 << 3;
    QTest::newRow("wrong read-back, fourth attempt") << int(F::CorruptReadBack) << 3 << "4 4 4 3" << 76 << 3;
    QTest::newRow("wrong read-back every attempt") << int(F::CorruptReadBack) << 4 << "4 4 4 2" << 76 << 4;
}

void TestStNfc::programmingOutcomes()
{
    QFETCH(int, fault);
    QFETCH(int, count);
    QFETCH(QString, states);
    QFETCH(int, writes);
    QFETCH(int, result);

    Rig rig;
    rig.reader.injectFault(SimCr95hfReader::Fault(fault), count);
    rig.program(1050);
    QCOMPARE(joined(rig.states), states);
    QCOMPARE(rig.blockWrites(), writes);
    QCOMPARE(rig.engine.programmingResult(), result);
    QCOMPARE(tagEdges(rig.tag), PROGRAMMED_1050);
}

void TestStNfc::detection_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("states");  // after the armed run's 3
    QTest::addColumn<QString>("drivers"); // after the first tag's 1
    QTest::addColumn<QString>("reads");   // after the first tag's
    QTest::addColumn<QString>("box");

    const QString read = "2|Driver information read complete.|12";
    QTest::newRow("tag stays") << "stay" << "" << "" << "" << "";
    QTest::newRow("tag removed") << "remove" << "5" << "0" << "" << "";
    QTest::newRow("same product swapped in") << "same product" << "5 1 3" << "0 1" << "" << "";
    QTest::newRow("other product swapped in") << "other product" << "5" << "0 1" << read << "";
    QTest::newRow("second tag on the reader")
        << "second tag" << "5" << "0" << ""
        << "information|Warning|Collision detected! Make sure there is no other NFC tags nearby.";
    QTest::newRow("reader unplugged") << "unplug" << "5" << "0" << "" << "";
}

void TestStNfc::detection()
{
    QFETCH(QString, event);
    QFETCH(QString, states);
    QFETCH(QString, drivers);
    QFETCH(QString, reads);
    QFETCH(QString, box);

    Rig rig;
    QSignalSpy errors(&rig.engine, &ST_NFC::communicateError);
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
    for (QSignalSpy* spy : {&rig.states, &rig.drivers, &rig.reads})
        spy->clear();
    rig.engine.checkDriverConnection();

    QCOMPARE(joined(rig.states), states);
    QCOMPARE(joined(rig.drivers), drivers);
    QCOMPARE(joined(rig.reads), reads);
    QCOMPARE(rig.prompt.boxes.join(' '), box);
    QCOMPARE(joined(errors), QString(event == "unplug" ? "2" : ""));
    // Only a new tag of the armed product is programmed.
    QCOMPARE(tagEdges(other).mid(9, 5), QByteArray(event == "same product" ? "1A 04" : "BC 02"));
}

void TestStNfc::factoryReset_data()
{
    QTest::addColumn<int>("corruptReads");
    QTest::addColumn<QString>("lastDebug");
    QTest::addColumn<QString>("box");

    QTest::newRow("reset") << 0 << "ST NFC factory reset check OK"
                           << "information|Information|Factory reset success!";
    QTest::newRow("check fails") << 2 << "ST NFC factory reset check data fail..."
                                 << "information|Error|Factory reset fail!";
}

void TestStNfc::factoryReset()
{
    QFETCH(int, corruptReads);
    QFETCH(QString, lastDebug);
    QFETCH(QString, box);

    Rig rig;
    ProgDataStructDef& factory = rig.engine.writeRecord();
    factory = rig.engine.readRecord();
    factory.productIndex = 101;
    factory.current = 500;
    factory.firmwareVersion = 0xFFFF; // keeps the driver's
    rig.reader.injectFault(SimCr95hfReader::Fault::CorruptReadBack, corruptReads);
    rig.reads.clear();
    rig.engine.factoryReset();

    QVERIFY(rig.debug.contains({lastDebug}));
    QCOMPARE(rig.prompt.boxes.join(' '), box);
    QCOMPARE(rig.reads.size(), corruptReads == 0 ? 1 : 0);
    QCOMPARE(tagEdges(rig.tag), QByteArray("A5 01 55 F4 01 00 65 05 49 4A"));
}

void TestStNfc::writeDefaultImage_data()
{
    QTest::addColumn<bool>("otherTagFound");
    QTest::addColumn<QByteArray>("edges"); // of the tag on the reader afterwards

    // 1000 mA, product 100, firmware 1.01; first byte, table version, lock and the last two kept.
    QTest::newRow("tag read") << false << QByteArray("A5 01 55 E8 03 00 64 01 49 4A");
    QTest::newRow("another tag found, not read") << true << QByteArray("A5 01 55 BC 02 00 64 05 49 4A");
}

void TestStNfc::writeDefaultImage()
{
    QFETCH(bool, otherTagFound);
    QFETCH(QByteArray, edges);

    Rig rig;
    SimIsoTag other(tagHex("E0 04 01 50 99 88 77 66"));
    other.setDriverImage(tagImage(100, 0));
    SimIsoTag& onReader = otherTagFound ? other : rig.tag;
    if (otherTagFound) {
        rig.reader.placeTag(&other);
        QVERIFY(rig.engine.inventory());
    }
    rig.reader.clearRequests();
    QCOMPARE(rig.engine.writeDefaultImage(), !otherTagFound);
    QCOMPARE(rig.blockWrites(), otherTagFound ? 0 : 19);
    QCOMPARE(tagEdges(onReader), edges);
    // Written: the last block holds the default fade time 1 s and no override fade.
    QCOMPARE(rig.debug.last().at(0).toString(), otherTagFound ? "Tag not read, nothing written." : "block 13 :0100494A");
}

QTEST_GUILESS_MAIN(TestStNfc)
#include "tst_st_nfc.moc"
