#include "virtualdriver.h"

#include <QtTest>

// The virtual driver against IEC 62386-102 behaviour, frame by frame. A script is a list of
// "address data answer" triples in hex, the answer "--" for no backward frame.
class TestVirtualDriver : public QObject
{
    Q_OBJECT
private slots:
    void script_data();
    void script();
    void unpluggedDriverIsGoneAndComesBackLocked();
    void silentAndGarbage();
    void bankIsCutOrPaddedToItsLastAddress();

private:
    static QByteArray bank(int lastAddress)
    {
        QByteArray b(lastAddress + 1, '\0');
        b[0] = char(lastAddress);
        b[1] = char(0x07);
        b[2] = char(0xFF); // locked
        for (int a = 3; a <= lastAddress; ++a)
            b[a] = char(a + 0x10);
        return b;
    }
};

void TestVirtualDriver::script_data()
{
    QTest::addColumn<int>("lastAddress");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("bankAfter"); // "address=value" pairs in hex that must hold afterwards

    QTest::newRow("device type and presence")
        << 73 << "FF 99 06, FF 91 FF, 03 99 --, FD 99 06, 81 99 --" << "";
    QTest::newRow("read last address then bytes, DTR0 counts up")
        << 73 << "C3 02 --, A3 00 --, FF C5 49, A3 03 --, FF C5 13, FF C5 14, FF 98 05" << "";
    QTest::newRow("read past the end: no answer, DTR0 still moves")
        << 4 << "C3 02 --, A3 04 --, FF C5 14, FF C5 --, FF 98 06" << "";
    QTest::newRow("bank not implemented: no answer, DTR0 stays")
        << 73 << "C3 05 --, A3 00 --, FF C5 --, FF 98 00, FF 9C 05" << "";
    QTest::newRow("bank 0 reads its own last address")
        << 73 << "C3 00 --, A3 00 --, FF C5 1A, A3 02 --, FF C5 02" << "";
    QTest::newRow("enable write needs the frame twice")
        << 73 << "C3 02 --, A3 02 --, FF 81 --, C7 55 --" << "02=FF";
    QTest::newRow("write unlocks, then writes and answers")
        << 73 << "C3 02 --, A3 02 --, FF 81 --, FF 81 --, C7 55 55, C7 AA AA, C9 BB --, C7 CC CC"
        << "02=55,03=AA,04=BB,05=CC";
    QTest::newRow("a third unpaired enable keeps writing enabled")
        << 73 << "C3 02 --, A3 02 --, FF 81 --, FF 81 --, FF 81 --, C7 55 55, C7 01 01" << "02=55,03=01";
    QTest::newRow("locked bank takes only the lock byte")
        << 73 << "C3 02 --, A3 03 --, FF 81 --, FF 81 --, C7 AA --, A3 02 --, C7 54 54, C7 AA --"
        << "02=54,03=13,04=14";
    QTest::newRow("a read ends writing")
        << 73 << "C3 02 --, A3 02 --, FF 81 --, FF 81 --, C7 55 55, FF C5 13, C7 AA --" << "02=55,03=13,04=14";
    QTest::newRow("a query of DTR content keeps writing enabled")
        << 73 << "C3 02 --, A3 02 --, FF 81 --, FF 81 --, FF 98 02, C7 55 55, C7 AA AA" << "02=55,03=AA";
    QTest::newRow("other frame between the two enables drops the first")
        << 73 << "C3 02 --, A3 02 --, FF 81 --, A3 02 --, FF 81 --, C7 55 --" << "02=FF";
    QTest::newRow("last address byte is read-only")
        << 73 << "C3 02 --, A3 02 --, FF 81 --, FF 81 --, C7 55 55, A3 00 --, C7 10 --" << "00=49";
    QTest::newRow("no write past the end of the bank")
        << 4 << "C3 02 --, A3 02 --, FF 81 --, FF 81 --, C7 55 55, C7 01 01, C7 02 02, C7 03 --"
        << "02=55,03=01,04=02";
    QTest::newRow("write without enable is ignored")
        << 73 << "C3 02 --, A3 02 --, C7 55 --" << "02=FF";
    QTest::newRow("bank 0 cannot be written")
        << 73 << "C3 00 --, A3 03 --, FF 81 --, FF 81 --, C7 55 --" << "";
}

void TestVirtualDriver::script()
{
    QFETCH(int, lastAddress);
    QFETCH(QString, script);
    QFETCH(QString, bankAfter);

    VirtualDriver driver;
    driver.setBank2(bank(lastAddress));
    int step = 0;
    for (const QString& item : script.split(',')) {
        const QStringList parts = item.simplified().split(' ');
        QCOMPARE(parts.size(), 3);
        bool ok = false;
        const quint8 address = quint8(parts.at(0).toUInt(&ok, 16));
        const quint8 data = quint8(parts.at(1).toUInt(&ok, 16));
        const int expected = parts.at(2) == "--" ? SimDaliBus::NO_ANSWER : int(parts.at(2).toUInt(&ok, 16));
        const int answer = driver.forwardFrame(address, data);
        if (answer != expected)
            QFAIL(qPrintable(QString("step %1 (%2): answer %3, expected %4").arg(step).arg(item.simplified()).arg(answer).arg(expected)));
        ++step;
    }
    const QByteArray after = driver.bank2();
    if (!bankAfter.isEmpty()) {
        for (const QString& pair : bankAfter.split(',')) {
            const QStringList av = pair.split('=');
            const int address = av.at(0).toInt(nullptr, 16);
            QCOMPARE(quint8(after.at(address)), quint8(av.at(1).toUInt(nullptr, 16)));
        }
    }
}

void TestVirtualDriver::unpluggedDriverIsGoneAndComesBackLocked()
{
    VirtualDriver driver;
    QByteArray b = bank(73);
    b[2] = char(0x55);
    driver.setBank2(b);
    driver.forwardFrame(0xC3, 0x02);
    driver.forwardFrame(0xFF, 0x81);
    driver.forwardFrame(0xFF, 0x81);
    QVERIFY(driver.writeEnabled());

    driver.unplug();
    QCOMPARE(driver.forwardFrame(0xFF, 0x99), SimDaliBus::NO_ANSWER);
    driver.plugIn();
    QVERIFY(!driver.writeEnabled());
    QCOMPARE(driver.dtr1(), quint8(0));
    QCOMPARE(driver.forwardFrame(0xFF, 0x99), 6);
    QCOMPARE(quint8(driver.bank2().at(2)), quint8(0xFF));
    QCOMPARE(driver.bank2().at(3), char(0x13)); // content survives the power cycle
    // Frames sent while unplugged never reached it.
    QCOMPARE(driver.frames().size(), 4);
}

void TestVirtualDriver::silentAndGarbage()
{
    VirtualDriver driver;
    driver.setBank2(bank(73));
    driver.setAnswerMode(VirtualDriver::AnswerMode::Silent);
    QCOMPARE(driver.forwardFrame(0xFF, 0x99), SimDaliBus::NO_ANSWER);
    driver.forwardFrame(0xA3, 0x09);
    QCOMPARE(driver.dtr0(), quint8(0x09)); // it still hears

    driver.setAnswerMode(VirtualDriver::AnswerMode::Garbage);
    driver.setGarbageAnswer(0x3C);
    QCOMPARE(driver.forwardFrame(0xFF, 0x99), 0x3C);
    QCOMPARE(driver.forwardFrame(0xA3, 0x01), SimDaliBus::NO_ANSWER); // nothing to answer

    driver.setAnswerMode(VirtualDriver::AnswerMode::Normal);
    QCOMPARE(driver.forwardFrame(0xFF, 0x99), 6);
}

void TestVirtualDriver::bankIsCutOrPaddedToItsLastAddress()
{
    VirtualDriver driver;
    driver.setBank2(QByteArray::fromHex("05 00 ff 01"));
    QCOMPARE(driver.bank2(), QByteArray::fromHex("05 00 ff 01 00 00"));
    driver.setBank2(QByteArray::fromHex("02 00 ff 01 02"));
    QCOMPARE(driver.bank2(), QByteArray::fromHex("02 00 ff"));
}

QTEST_GUILESS_MAIN(TestVirtualDriver)
#include "tst_virtualdriver.moc"
