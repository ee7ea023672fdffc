#include "usbframe.h"

#include <QtTest>

class TestUsbFrame : public QObject
{
    Q_OBJECT
private slots:
    void crc_data();
    void crc();
    void frames_data();
    void frames();
    void oversizedDataIsRefused();
};

void TestUsbFrame::crc_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << QByteArray() << 0xFFFF;
    QTest::newRow("check string") << QByteArray("123456789") << 0x374B;
    QTest::newRow("abc") << QByteArray("abc") << 0x4957;
}

void TestUsbFrame::crc()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, expected);
    QCOMPARE(crc16Modbus(reinterpret_cast<const quint8*>(bytes.constData()), quint16(bytes.size())), expected);
}

void TestUsbFrame::frames_data()
{
    QTest::addColumn<int>("cmd");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("query driver sn") << 1 << QByteArray() << QByteArray::fromHex("01002000");
    QTest::newRow("query fw version") << 30 << QByteArray() << QByteArray::fromHex("1e001008");
    QTest::newRow("set output current") << 3 << QByteArray::fromHex("01f4") << QByteArray::fromHex("030201f4b7a1");
    QTest::newRow("cmd keeps low byte") << 0x101 << QByteArray() << QByteArray::fromHex("01002000");
}

void TestUsbFrame::frames()
{
    QFETCH(int, cmd);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, frame);
    QByteArray built;
    QVERIFY(buildiProgFrame(cmd, data, &built));
    QCOMPARE(built.toHex(' '), frame.toHex(' '));
}

void TestUsbFrame::oversizedDataIsRefused()
{
    QByteArray built("untouched");
    QVERIFY(buildiProgFrame(2, QByteArray(255, '\x11'), &built));
    QCOMPARE(built.size(), 259);
    QCOMPARE(quint8(built[1]), quint8(255));

    built = "untouched";
    QVERIFY(!buildiProgFrame(2, QByteArray(256, '\x11'), &built));
    QCOMPARE(built, QByteArray("untouched"));
}

QTEST_APPLESS_MAIN(TestUsbFrame)
#include "tst_usbframe.moc"
