#include "feig_nfc.h"
#include "globals.h"
#include "nfctag_testdata.h"
#include "recordingprompt.h"
#include "simfeigreader.h"
#include "simisotag.h"

#include <QSignalSpy>
#include <QtTest>

// The FEIG engine on its own, over the simulated reader: the requests it sends, its write and
// read-back with injected faults, the factory reset per layout, and what detection makes of tags
// that stay, change or go.
class TestFeigNfc : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void requestsOfAReadAndAWrite();
    void programmingOutcomes_data();
    void programmingOutcomes();
    void increments_data();
    void increments();
    void factoryReset_data();
    void factoryReset();
    void detection_data();
    void detection();
};

namespace {

const QByteArray UID = tagHex("E0 04 01 50 2A 3B 4C 5D");
const QByteArray OTHER_UID = tagHex("E0 04 01 50 99 88 77 66");

QList<int> intsOf(const QSignalSpy& spy)
{
    QList<int> values;
    for (const QList<QVariant>& args : spy)
        values << args.at(0).toInt();
    return values;
}

// Reader, tag and an enabled engine with the reader open and the tag read by the first poll.
struct Rig
{
    SimFeigReader reader;
    SimIsoTag tag{UID};
    FEIG_NFC engine;
    QSignalSpy states{&engine, &FEIG_NFC::programmingStateUpdatedSignal};
    QSignalSpy reads{&engine, &FEIG_NFC::productInfoReadUpdateSignal};
    QSignalSpy drivers{&engine, &FEIG_NFC::driverConnectionStateChangeSignal};
    QSignalSpy errors{&engine, &FEIG_NFC::communicateError};
    RecordingPrompt prompt;

    explicit Rig(const QByteArray& image)
    {
        engine.setPrompt(&prompt);
        tag.setDriverImage(image);
        reader.placeTag(&tag);
        engine.setEnabled(1);
        if (!engine.openReader())
            qFatal("simulated reader not opened");
        engine.toolConnectionStateChange(1);
    }

    int requestsStartingWith(const char* prefix) const
    {
        int n = 0;
        for (const QByteArray& r : reader.requests())
            n += r.startsWith(prefix) ? 1 : 0;
        return n;
    }
};

} // namespace

void TestFeigNfc::init()
{
    FA_location = 0;
    tagTrailerCount = 0;
    tagInField = 0;
    profileLoaded = 0;
    loadedProfileProductIndex = 0;
    DT6Programmable = part250Programmable = part251Programmable = part253Programmable = 0;
}

void TestFeigNfc::requestsOfAReadAndAWrite()
{
    Rig rig(tagImage(100, 0));
    QCOMPARE(rig.reader.requests(), (QList<QByteArray>{"0100", "2521E00401502A3B4C5D", "23020168"}));
    // Blocks arrive byte-reversed: BC 02 is 700 mA only when each block is turned back.
    QCOMPARE(rig.engine.readRecord().current, quint16(700));
    QCOMPARE(intsOf(rig.drivers), QList<int>{DRIVER_CONNECTED});
    QCOMPARE(intsOf(rig.reads), QList<int>{READ_STATE_COMPLETE});

    rig.reader.clearRequests();
    rig.engine.writeRecord() = rig.engine.readRecord();
    rig.engine.writeRecord().current = 1024;
    rig.engine.startProgramming();
    QCOMPARE(intsOf(rig.states), (QList<int>{PROG_STATE_START, PROG_STATE_SUCCESS}));
    const QList<QByteArray> requests = rig.reader.requests();
    QCOMPARE(requests.size(), 2);
    // 19 blocks from block 1; block 1 is A5 01 55 00 (first byte, table version, lock, current low).
    QVERIFY(requests.at(0).startsWith("2402011304" "005501A5" "05640004"));
    QCOMPARE(requests.at(0).size(), 10 + 19 * 8);
    QCOMPARE(requests.at(1), QByteArray("23020113"));
    QCOMPARE(rig.tag.driverImage().left(8).toHex(' '), QByteArray("01 55 00 04 00 64 05 01"));
    QCOMPARE(rig.tag.blocks(1, 1).at(0), SimIsoTag::DRIVER_FIRST_BYTE);
}

void TestFeigNfc::programmingOutcomes_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("fault"); // -1 none, else a SimFeigReader::Fault
    QTest::addColumn<int>("faults");
    QTest::addColumn<QList<int>>("states");
    QTest::addColumn<int>("writes");
    QTest::addColumn<QByteArray>("current"); // tag bytes 2-3 afterwards
    QTest::addColumn<int>("result");         // programmingResult(): 3 success, 4 fail

    const QList<int> success{PROG_STATE_START, PROG_STATE_SUCCESS};
    const QList<int> retried{PROG_STATE_START, PROG_STATE_RETRY, PROG_STATE_SUCCESS};
    const QList<int> failed{PROG_STATE_START, PROG_STATE_RETRY, PROG_STATE_FAIL};
    const int corrupt = int(SimFeigReader::Fault::CorruptReadBack);
    const QByteArray programmed("00 04");
    const QByteArray asRead("bc 02");
    QTest::newRow("clean, layout 2") << tagImage(112, 2) << -1 << 0 << success << 1 << programmed << 3;
    QTest::newRow("one corrupted read-back") << tagImage(112, 3) << corrupt << 1 << retried << 2 << programmed << 3;
    // Written every time, but never confirmed.
    QTest::newRow("three corrupted read-backs") << tagImage(100, 0) << corrupt << 3 << failed << 3 << programmed << 4;
    QTest::newRow("short read-back answers") << tagImage(112, 1) << int(SimFeigReader::Fault::ShortReadAnswer) << 3
                                             << failed << 3 << programmed << 4;
    QTest::newRow("write breaks off once") << tagImage(112, 1) << int(SimFeigReader::Fault::NoAnswer) << 1 << retried
                                           << 2 << programmed << 3;
    QTest::newRow("family tag of unknown layout") << tagImage(112, 0) << -1 << 0 << failed << 0 << asRead << 4;
}

void TestFeigNfc::programmingOutcomes()
{
    QFETCH(QByteArray, image);
    QFETCH(int, fault);
    QFETCH(int, faults);
    QFETCH(QList<int>, states);
    QFETCH(int, writes);
    QFETCH(QByteArray, current);
    QFETCH(int, result);

    Rig rig(image);
    rig.engine.writeRecord() = rig.engine.readRecord();
    rig.engine.writeRecord().current = 1024;
    if (fault >= 0)
        rig.reader.injectFault(SimFeigReader::Fault(fault), faults);
    rig.engine.startProgramming();

    QCOMPARE(intsOf(rig.states), states);
    QCOMPARE(rig.requestsStartingWith("240201"), writes);
    QCOMPARE(rig.tag.driverImage().mid(2, 2).toHex(' '), current);
    QCOMPARE(rig.engine.programmingResult(), result);
    // Nothing advances without the parts made programmable.
    QCOMPARE(rig.engine.writeRecord().DT6ShortAddress, rig.engine.readRecord().DT6ShortAddress);
}

void TestFeigNfc::increments_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("nextAddress");
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QByteArray>("nextId");
    QTest::newRow("address 0, ID carry") << 0x01 << 0x03 << tagHex("00 00 00 00 00 00 00 FF") << tagHex("00 00 00 00 00 00 01 00");
    QTest::newRow("address 62, plain ID") << 0x7D << 0x7F << tagHex("12 34 56 78 9A BC DE F0") << tagHex("12 34 56 78 9A BC DE F1");
    QTest::newRow("address 63 to MASK") << 0x7F << 0xFF << tagHex("00 FF FF FF FF FF FF FF") << tagHex("01 00 00 00 00 00 00 00");
    QTest::newRow("MASK and unprogrammed ID stay") << 0xFF << 0xFF << tagHex("FF FF FF FF FF FF FF FF") << tagHex("FF FF FF FF FF FF FF FF");
}

void TestFeigNfc::increments()
{
    QFETCH(int, address);
    QFETCH(int, nextAddress);
    QFETCH(QByteArray, id);
    QFETCH(QByteArray, nextId);
    QCOMPARE(int(FEIG_NFC::nextShortAddress(quint8(address))), nextAddress);
    quint8 bytes[8];
    std::copy(id.begin(), id.end(), bytes);
    FEIG_NFC::advanceLuminaireId(bytes);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes), 8).toHex(' '), nextId.toHex(' '));
}

void TestFeigNfc::factoryReset_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<bool>("tagOnReader");
    QTest::addColumn<bool>("ok");

    QTest::newRow("other product") << tagImage(100, 0) << true << true;
    QTest::newRow("layout 1") << tagImage(112, 1) << true << true;
    QTest::newRow("layout 2") << tagImage(112, 2) << true << true;
    QTest::newRow("layout 3") << tagImage(112, 3) << true << true;
    QTest::newRow("unknown family layout") << tagImage(112, 0) << true << false;
    QTest::newRow("no tag") << tagImage(100, 0) << false << false;
}

void TestFeigNfc::factoryReset()
{
    QFETCH(QByteArray, image);
    QFETCH(bool, tagOnReader);
    QFETCH(bool, ok);

    Rig rig(image);
    if (!tagOnReader)
        rig.reader.removeTag();
    rig.reads.clear();
    ProgDataStructDef factory;
    setProgDataDefaults(factory);
    factory.current = 350;
    rig.engine.writeRecord() = factory;
    rig.engine.factoryReset();

    QCOMPARE(rig.prompt.boxes, QStringList{ok ? "information|Information|Factory reset success!"
                                              : "information|Error|Factory reset fail!"});
    QCOMPARE(intsOf(rig.reads), ok ? QList<int>{READ_STATE_COMPLETE} : QList<int>{});
    QCOMPARE(rig.tag.driverImage().mid(2, 2).toHex(' '), QByteArray(ok ? "5e 01" : "bc 02"));
    if (ok)
        QCOMPARE(rig.engine.readRecord().current, quint16(350));
}

void TestFeigNfc::detection_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("reads");          // tag reads the poll made
    QTest::addColumn<QList<int>>("drivers"); // driver states reported by the poll
    QTest::addColumn<int>("errors");
    QTest::addColumn<QList<int>>("states"); // programming states reported by the poll

    QTest::newRow("tag stays: read once") << "stays" << 0 << QList<int>{} << 0 << QList<int>{};
    QTest::newRow("another tag put down between polls")
        << "swap" << 1 << QList<int>{DRIVER_DISCONNECTED, DRIVER_CONNECTED} << 0 << QList<int>{};
    QTest::newRow("taken away under another product's profile")
        << "removeWithProfile" << 0 << QList<int>{DRIVER_DISCONNECTED} << 0 << QList<int>{};
    QTest::newRow("reader pulled") << "unplug" << 0 << QList<int>{DRIVER_DISCONNECTED} << 1
                                   << QList<int>{};
    // The tag stayed, but one poll could not select it: its driver was taken as lost, so the next
    // poll reads it again and finds it.
    QTest::newRow("tag not selected once") << "selectRefused" << 1
                                           << QList<int>{DRIVER_DISCONNECTED, DRIVER_CONNECTED} << 0
                                           << QList<int>{};
    // The engine forgot its driver, so the tag that never left is read again.
    QTest::newRow("another tab and back") << "workMode" << 1 << QList<int>{DRIVER_CONNECTED} << 0
                                          << QList<int>{};
    // A run is armed for the tag's product, but the loaded profile is another's: the tag is a
    // mismatch, not a connected driver, and no run is announced for it.
    QTest::newRow("armed run, tag back under another product's profile")
        << "backWithProfile" << 1 << QList<int>{DRIVER_MISMATCH, DRIVER_MISMATCH} << 0 << QList<int>{};
}

void TestFeigNfc::detection()
{
    QFETCH(QString, change);
    QFETCH(int, reads);
    QFETCH(QList<int>, drivers);
    QFETCH(int, errors);
    QFETCH(QList<int>, states);

    Rig rig(tagImage(100, 0));
    SimIsoTag other(OTHER_UID);
    other.setDriverImage(tagImage(101, 0));
    if (change == "backWithProfile") {
        rig.engine.writeRecord() = rig.engine.readRecord();
        rig.engine.startProgramming();
        rig.reader.removeTag();
        rig.engine.checkDriverConnection();
        rig.reader.placeTag(&rig.tag);
    }
    rig.reader.clearRequests();
    rig.drivers.clear();
    rig.states.clear();
    if (change == "swap")
        rig.reader.placeTag(&other);
    else if (change.startsWith("remove"))
        rig.reader.removeTag();
    else if (change == "unplug")
        rig.reader.unplug();
    else if (change == "selectRefused") {
        rig.reader.injectFault(SimFeigReader::Fault::SelectRefused);
        rig.engine.checkDriverConnection();
    } else if (change == "workMode") {
        rig.engine.setEnabled(0);
        rig.engine.setEnabled(1);
    }
    if (change.endsWith("WithProfile")) {
        profileLoaded = 1;
        loadedProfileProductIndex = 120;
    }
    rig.engine.checkDriverConnection();

    QCOMPARE(rig.requestsStartingWith("23020168"), reads);
    QCOMPARE(intsOf(rig.drivers), drivers);
    QCOMPARE(rig.errors.size(), errors);
    QCOMPARE(intsOf(rig.states), states);
    if (change == "swap")
        QCOMPARE(rig.engine.readRecord().productIndex, quint16(101));
}

QTEST_GUILESS_MAIN(TestFeigNfc)
#include "tst_feig_nfc.moc"
