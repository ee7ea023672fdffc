#include "bootloader.h"
#include "intelhex.h"

#include <QtTest>

// HEX text to the image of the driver's application area, 0x2000 .. 0xBFFF.
class TestIntelHex : public QObject
{
    Q_OBJECT
private slots:
    void records_data();
    void records();
    void toolchainFiles_data();
    void toolchainFiles();
    void armFlash_data();
    void armFlash();
};

namespace {

constexpr quint32 WINDOW = BootLoader::APP_START_ADDRESS;
constexpr int WINDOW_SIZE = BootLoader::MAX_IMAGE_SIZE;
const QByteArray END = ":00000001FF\n";

QByteArray lines(std::initializer_list<const char*> records)
{
    QByteArray text;
    for (const char* record : records)
        text += QByteArray(record) + '\n';
    return text;
}

} // namespace

void TestIntelHex::records_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<quint32>("firstAddress");
    QTest::addColumn<qint64>("dropped");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("errorLine");

    const int none = int(IntelHexError::None);
    QTest::newRow("only the boot loader's area")
        << lines({":04000000DEADBEEFC4"}) + END << QByteArray() << 0u << qint64(4) << none << 0;
    QTest::newRow("gap between records is erased flash")
        << lines({":0420000001020304D2", ":0420100005060708B2"}) + END
        << QByteArray::fromHex("01020304 FFFFFFFFFFFFFFFFFFFFFFFF 05060708") << 0x2000u << qint64(0) << none
        << 0;
    QTest::newRow("first data at 0x2100") << lines({":02210000A1A29A"}) + END << QByteArray::fromHex("A1A2")
                                          << 0x2100u << qint64(0) << none << 0;
    QTest::newRow("record straddling the start keeps its upper half")
        << lines({":081FFC00111213141516171839"}) + END << QByteArray::fromHex("15161718") << 0x2000u
        << qint64(4) << none << 0;
    QTest::newRow("record straddling the end keeps its lower half")
        << lines({":08BFFC00212223242526272819"}) + END << QByteArray::fromHex("21222324") << 0xBFFCu
        << qint64(4) << none << 0;
    QTest::newRow("extended linear 0001 lifts the data beyond the area")
        << lines({":0420000001020304D2", ":020000040001F9", ":0420100005060708B2"}) + END
        << QByteArray::fromHex("01020304") << 0x2000u << qint64(4) << none << 0;
    QTest::newRow("extended segment 0100 adds 0x1000")
        << lines({":020000020100FB", ":0210000031328B"}) + END << QByteArray::fromHex("3132") << 0x2000u
        << qint64(0) << none << 0;
    QTest::newRow("a later record overwrites")
        << lines({":0420000001020304D2", ":012001009945"}) + END << QByteArray::fromHex("01990304") << 0x2000u
        << qint64(0) << none << 0;
    QTest::newRow("CR LF, blank and foreign lines, nothing read after the end")
        << QByteArray("; built 2024\r\n\r\n:0420000001020304D2\r\n") + END + ":0420000001020304D3\n"
        << QByteArray::fromHex("01020304") << 0x2000u << qint64(0) << none << 0;
    // Just under the largest file the boot loader reads: every line looked at once.
    QTest::newRow("64 MiB of empty lines before the records")
        << QByteArray((64 << 20) - 64, '\n') + lines({":0420000001020304D2"}) + END
        << QByteArray::fromHex("01020304") << 0x2000u << qint64(0) << none << 0;

    // A bad record anywhere: no image at all, the line named.
    const QByteArray good = ":0420000001020304D2\n";
    QTest::newRow("checksum") << good + good + ":0420100005060708B3\n" + END << QByteArray() << 0u
                              << qint64(0) << int(IntelHexError::Checksum) << 3;
    QTest::newRow("one data byte short") << good + ":0420100005060708\n" + END << QByteArray() << 0u
                                         << qint64(0) << int(IntelHexError::Length) << 2;
    QTest::newRow("odd number of digits") << good + ":0420100005060708B2F\n" + END << QByteArray() << 0u
                                          << qint64(0) << int(IntelHexError::Length) << 2;
    QTest::newRow("not hex") << good + ":04201000050607G8B2\n" + END << QByteArray() << 0u << qint64(0)
                             << int(IntelHexError::Length) << 2;
    QTest::newRow("shorter than the fixed fields")
        << good + ":00000001\n"
        << QByteArray() << 0u << qint64(0) << int(IntelHexError::Length) << 2;
    QTest::newRow("extended address of one byte") << good + ":0100000401FA\n" + END << QByteArray() << 0u
                                                  << qint64(0) << int(IntelHexError::Length) << 2;
    QTest::newRow("undefined record type") << good + ":00000006FA\n" + END << QByteArray() << 0u << qint64(0)
                                           << int(IntelHexError::RecordType) << 2;
    QTest::newRow("cut short: no end record")
        << good + good << QByteArray() << 0u << qint64(0) << int(IntelHexError::NoEndRecord) << 2;
}

void TestIntelHex::records()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, image);

    const IntelHexImage hex = parseIntelHex(text, WINDOW, WINDOW_SIZE);
    QCOMPARE(hex.data.toHex(' '), image.toHex(' '));
    QTEST(hex.firstAddress, "firstAddress");
    QTEST(hex.droppedBytes, "dropped");
    QTEST(int(hex.error), "error");
    QTEST(hex.errorLine, "errorLine");
}

void TestIntelHex::toolchainFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("dropped");
    // Made by data/make_hex.sh; the two srec_cat files also hold a boot loader area (2048 bytes)
    // and a calibration page at 0x1F000 (48 bytes).
    QTest::newRow("objcopy, 16-byte records") << "firmware_objcopy.hex" << qint64(0);
    QTest::newRow("srec_cat, 32-byte records, linear") << "firmware_srec_linear.hex" << qint64(2096);
    QTest::newRow("srec_cat, 16-byte records, segment") << "firmware_srec_segment.hex" << qint64(2096);
}

void TestIntelHex::toolchainFiles()
{
    QFETCH(QString, file);
    QFile hexFile(QStringLiteral(HEX_SAMPLES_DIR "/") + file);
    QFile binFile(QStringLiteral(HEX_SAMPLES_DIR "/firmware.bin"));
    QVERIFY(hexFile.open(QIODevice::ReadOnly));
    QVERIFY(binFile.open(QIODevice::ReadOnly));
    const QByteArray program = binFile.readAll();
    QCOMPARE(program.size(), 2112);

    const IntelHexImage hex = parseIntelHex(hexFile.readAll(), WINDOW, WINDOW_SIZE);
    QCOMPARE(int(hex.error), int(IntelHexError::None));
    QCOMPARE(hex.firstAddress, 0x2000u);
    QVERIFY(hex.data == program);
    QTEST(hex.droppedBytes, "dropped");
}

// The second loader's flash at 0x08000000 and its aliases at 0x8000 and 0x4000, all onto one image.
void TestIntelHex::armFlash_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<quint32>("firstAddress");
    QTest::addColumn<qint64>("dropped");

    QTest::newRow("0x08000000: the whole 64 KiB, the byte beyond left out")
        << lines({":020000040800F2", ":0400000001020304F2", ":01FFFF0022DF", ":020000040801F1", ":0100000033CC"}) + END
        << QByteArray::fromHex("01020304") + QByteArray(0xFFFB, char(0xFF)) + QByteArray::fromHex("22")
        << 0x08000000u << qint64(1);
    QTest::newRow("0x8000 alias") << lines({":02800000A1A23B"}) + END << QByteArray::fromHex("A1A2") << 0x08000000u
                                  << qint64(0);
    // Data linked at the low alias alone still makes an image.
    QTest::newRow("0x4000 alias") << lines({":02401000B1B24B"}) + END << QByteArray::fromHex("B1B2") << 0x08000010u
                                  << qint64(0);
    QTest::newRow("below 0x4000 left out") << lines({":043FFE00C1C2C3C4B5"}) + END << QByteArray::fromHex("C3C4")
                                           << 0x08000000u << qint64(2);
}

void TestIntelHex::armFlash()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, image);

    const IntelHexImage hex = parseIntelHex(text, BootLoader::ARM_FLASH_REGIONS, BootLoader::ARM_IMAGE_SIZE);
    QCOMPARE(int(hex.error), int(IntelHexError::None));
    QCOMPARE(hex.data.size(), image.size());
    QVERIFY(hex.data == image);
    QTEST(hex.firstAddress, "firstAddress");
    QTEST(hex.droppedBytes, "dropped");
}

QTEST_APPLESS_MAIN(TestIntelHex)
#include "tst_intelhex.moc"
