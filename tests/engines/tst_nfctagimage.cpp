#include "nfctag_testdata.h"
#include "nfctagimage.h"

#include <QtTest>

// The tag image on its own: where each layout puts its fields, what a write takes from the user's
// data and what it hands back as read, and images too short to trust.
class TestNfcTagImage : public QObject
{
    Q_OBJECT
private slots:
    void layouts_data();
    void layouts();
    void programmableParts_data();
    void programmableParts();
    void parameterBytes_data();
    void parameterBytes();
    void shortImageIsRefused_data();
    void shortImageIsRefused();
};

void TestNfcTagImage::layouts_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<int>("previousLayout");
    QTest::addColumn<int>("layout");
    QTest::addColumn<bool>("recognised");
    QTest::addColumn<int>("bpss");   // tag byte of bank201BPSS, -1 none
    QTest::addColumn<int>("length"); // image written back, trailer included; 0 none
    QTest::addColumn<int>("trailer");

    QTest::newRow("other product") << tagImage(100, 0) << 0 << 0 << false << -1 << 75 << 2;
    QTest::newRow("layout 1") << tagImage(112, 1) << 0 << 1 << true << 228 << 355 << 1;
    QTest::newRow("layout 2") << tagImage(112, 2) << 0 << 2 << true << 264 << 391 << 1;
    QTest::newRow("layout 3") << tagImage(134, 3) << 0 << 3 << true << 288 << 415 << 1;
    QByteArray twoOfOne = tagImage(110, 2);
    twoOfOne[235] = twoOfOne[246] = char(0xFA);
    QTest::newRow("two markers of 1, all of 2") << twoOfOne << 0 << 2 << true << 264 << 391 << 1;
    // Decoded with the layout left over from the tag before, but never written.
    QTest::newRow("family without markers after layout 1") << tagImage(112, 0) << 1 << 1 << false << 228 << 0 << 1;
    QTest::newRow("family never recognised") << tagImage(112, 0) << 0 << 0 << false << 198 << 0 << 3;
    QTest::newRow("just outside the family") << tagImage(135, 2) << 0 << 2 << true << -1 << 75 << 2;
}

void TestNfcTagImage::layouts()
{
    QFETCH(QByteArray, image);
    QFETCH(int, previousLayout);
    QFETCH(int, layout);
    QFETCH(bool, recognised);
    QFETCH(int, bpss);
    QFETCH(int, length);
    QFETCH(int, trailer);

    ProgDataStructDef read;
    read.bank201BPSS = 0x77;
    NfcTagInfo info;
    info.layout = quint8(previousLayout);
    QVERIFY(NfcTagImage::parse(image, read, info));
    QCOMPARE(int(info.layout), layout);
    QCOMPARE(info.layoutRecognised, recognised);
    QCOMPARE(info.lockByte, quint8(0x55));
    QCOMPARE(int(info.trailerCount), trailer);
    if (bpss < 0) {
        QCOMPARE(read.bank201BPSS, quint8(0x77)); // bank fields keep what they held
    } else {
        QCOMPARE(read.bank201BPSS, quint8(bpss));
        QCOMPARE(read.bank1GTIN[0], quint8(73));
        QCOMPARE(read.DT6ExtraBytes2[8], quint8(bpss + 125));
        QCOMPARE(read.tagTrailerBytes[0], quint8(bpss + 126));
    }
    if (layout == 3)
        QCOMPARE(read.bank1SpecificString[0], quint8(190));

    // Written back unchanged, or not at all.
    const QByteArray built = NfcTagImage::build(read, read, info, NfcProgrammableParts());
    QCOMPARE(built, image.left(length));
}

void TestNfcTagImage::programmableParts_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QList<int>>("written"); // tag bytes taken from the write record: first, last, ...

    QTest::newRow("none") << 2 << "" << QList<int>{};
    QTest::newRow("none, layout 3 specific text") << 3 << "" << QList<int>{190, 213};
    QTest::newRow("251 bank 1") << 1 << "251" << QList<int>{73, 189};
    QTest::newRow("250 bus power") << 2 << "250" << QList<int>{264, 264};
    QTest::newRow("253 counters, life") << 2 << "253" << QList<int>{323, 325, 329, 332, 352, 355};
    QTest::newRow("DT6 levels, address") << 2 << "DT6" << QList<int>{356, 359, 377, 377, 380, 380};
    QTest::newRow("DT6 layout 1") << 1 << "DT6" << QList<int>{320, 323, 341, 341, 344, 344};
}

void TestNfcTagImage::programmableParts()
{
    QFETCH(int, layout);
    QFETCH(QString, part);
    QFETCH(QList<int>, written);

    const QByteArray image = tagImage(112, layout);
    ProgDataStructDef read;
    NfcTagInfo info;
    QVERIFY(NfcTagImage::parse(image, read, info));
    // The user's record differs from the tag in every bank byte.
    QByteArray userImage = image;
    for (int n = 73; n < userImage.size(); ++n)
        userImage[n] = char(0xEE);
    ProgDataStructDef user;
    NfcTagInfo userInfo = info;
    QVERIFY(NfcTagImage::parse(userImage, user, userInfo));

    NfcProgrammableParts parts;
    parts.dt6 = part == "DT6";
    parts.part250 = part == "250";
    parts.part251 = part == "251";
    parts.part253 = part == "253";
    const QByteArray built = NfcTagImage::build(user, read, info, parts);

    QList<int> changed; // first and last byte of each run of bytes that differ from the tag
    for (int n = 0; n < built.size(); ++n) {
        if (built.at(n) == image.at(n))
            continue;
        if (!changed.isEmpty() && changed.last() == n - 1)
            changed.last() = n;
        else
            changed << n << n;
    }
    QCOMPARE(changed, written);
}

void TestNfcTagImage::parameterBytes_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<int>("first");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("midnight -90") << "midnight" << 66 << tagHex("A6");
    QTest::newRow("0-10V start 300: low byte") << "start" << 53 << tagHex("2C");
    QTest::newRow("CLO times short: padded") << "cloShort" << 11 << tagHex("00 0A 00 00 00 00 00 00 64");
    QTest::newRow("timer levels long: cut") << "levelsLong" << 61 << tagHex("0A 14 1E 28 32 E2");
    QTest::newRow("fade times empty") << "fadeEmpty" << 67 << tagHex("00 00 00 00 00 07");
}

void TestNfcTagImage::parameterBytes()
{
    QFETCH(QString, edit);
    QFETCH(int, first);
    QFETCH(QByteArray, bytes);

    const QByteArray image = tagImage(112, 2);
    ProgDataStructDef read;
    NfcTagInfo info;
    QVERIFY(NfcTagImage::parse(image, read, info));
    ProgDataStructDef user = read;
    if (edit == "midnight")
        user.midnightOffset = -90;
    else if (edit == "start")
        user.analogDimStart = 300;
    else if (edit == "cloShort")
        user.CLO_TimeList = {0, 10};
    else if (edit == "levelsLong")
        user.TimeDimLevelList = {10, 20, 30, 40, 50, 60, 70};
    else if (edit == "fadeEmpty")
        user.TimeDimFadeTimeList.clear();
    const QByteArray built = NfcTagImage::build(user, read, info, NfcProgrammableParts());
    QCOMPARE(built.size(), 391);
    QCOMPARE(built.mid(first, bytes.size()).toHex(' '), bytes.toHex(' '));
    QCOMPARE(built.mid(73), image.mid(73, 391 - 73));
}

void TestNfcTagImage::shortImageIsRefused_data()
{
    QTest::addColumn<QByteArray>("image");

    QTest::newRow("parameters cut") << tagImage(100, 0).left(72);
    QTest::newRow("other product without its trailer") << tagImage(100, 0).left(74);
    QTest::newRow("layout 1 without its trailer") << tagImage(112, 1).left(354);
    QTest::newRow("layout 3 one byte short") << tagImage(112, 3).left(414);
}

void TestNfcTagImage::shortImageIsRefused()
{
    QFETCH(QByteArray, image);

    ProgDataStructDef read;
    read.current = 42;
    NfcTagInfo info;
    info.lockByte = 7;
    QVERIFY(!NfcTagImage::parse(image, read, info));
    QCOMPARE(read.current, quint16(42));
    QCOMPARE(info.lockByte, quint8(7));
}

QTEST_APPLESS_MAIN(TestNfcTagImage)
#include "tst_nfctagimage.moc"
