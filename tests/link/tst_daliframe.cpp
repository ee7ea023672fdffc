#include "daliframe.h"

#include <QtTest>

class TestDaliFrame : public QObject
{
    Q_OBJECT
private slots:
    void frames_data();
    void frames();
    void noFrame_data();
    void noFrame();
    void parameterCommands();
    void everyListedCommandHasAFrame();
    void tables();
};

void TestDaliFrame::frames_data()
{
    QTest::addColumn<int>("dtMode");
    QTest::addColumn<int>("cmd");
    QTest::addColumn<int>("addr");
    QTest::addColumn<int>("para");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("off") << 0 << 0 << 0x40 << 0x77 << QByteArray::fromHex("410001");
    QTest::newRow("reset sent twice") << 0 << 32 << 0x40 << 0x77 << QByteArray::fromHex("412002");
    QTest::newRow("query actual level") << 0 << 160 << 0x40 << 0x77 << QByteArray::fromHex("41a003");
    QTest::newRow("dapc") << 0 << 350 << 0x40 << 0x77 << QByteArray::fromHex("407701");
    QTest::newRow("dapc clears bit 0") << 0 << 350 << 0x03 << 0x10 << QByteArray::fromHex("021001");
    QTest::newRow("broadcast recall max") << 0 << 5 << 0xFE << 0 << QByteArray::fromHex("ff0501");
    QTest::newRow("group 3 off") << 0 << 0 << 0x86 << 0 << QByteArray::fromHex("870001");
    QTest::newRow("terminate") << 0 << 256 << 0x40 << 0x77 << QByteArray::fromHex("a10001");
    QTest::newRow("dtr0") << 0 << 257 << 0x40 << 0x77 << QByteArray::fromHex("a37701");
    QTest::newRow("initialise") << 0 << 258 << 0x40 << 0x77 << QByteArray::fromHex("a57702");
    QTest::newRow("randomise") << 0 << 259 << 0x40 << 0x77 << QByteArray::fromHex("a70002");
    QTest::newRow("compare") << 0 << 260 << 0x40 << 0x77 << QByteArray::fromHex("a90003");
    QTest::newRow("withdraw") << 0 << 261 << 0x40 << 0x77 << QByteArray::fromHex("ab0001");
    QTest::newRow("ping is AD 00") << 0 << 263 << 0x40 << 0x77 << QByteArray::fromHex("ad0001");
    QTest::newRow("ping dt8") << 1 << 263 << 0x40 << 0x77 << QByteArray::fromHex("ad0001");
    QTest::newRow("searchaddrh") << 0 << 264 << 0x40 << 0x12 << QByteArray::fromHex("b11201");
    QTest::newRow("searchaddrm") << 0 << 265 << 0x40 << 0x12 << QByteArray::fromHex("b31201");
    QTest::newRow("searchaddrl") << 0 << 266 << 0x40 << 0x12 << QByteArray::fromHex("b51201");
    QTest::newRow("program short address") << 0 << 267 << 0x40 << 0x05 << QByteArray::fromHex("b70501");
    QTest::newRow("verify short address") << 0 << 268 << 0x40 << 0x05 << QByteArray::fromHex("b90503");
    QTest::newRow("query short address") << 0 << 269 << 0x40 << 0x05 << QByteArray::fromHex("bb0003");
    QTest::newRow("enable device type") << 0 << 272 << 0x40 << 0x77 << QByteArray::fromHex("c17701");
    QTest::newRow("dtr1") << 0 << 273 << 0x40 << 0x02 << QByteArray::fromHex("c30201");
    QTest::newRow("dtr2") << 0 << 274 << 0x40 << 0x02 << QByteArray::fromHex("c50201");
    QTest::newRow("write memory location") << 0 << 275 << 0x40 << 0x77 << QByteArray::fromHex("c77703");
    QTest::newRow("write memory no reply") << 0 << 276 << 0x40 << 0x77 << QByteArray::fromHex("c97701");
    QTest::newRow("reference system power dt6") << 0 << 224 << 0x40 << 0x77 << QByteArray::fromHex("41e002");
    QTest::newRow("set temporary x dt8") << 1 << 224 << 0x40 << 0x77 << QByteArray::fromHex("41e001");
    QTest::newRow("query fast fade dt6") << 0 << 253 << 0x40 << 0 << QByteArray::fromHex("41fd03");
    QTest::newRow("store ty primary dt8") << 1 << 240 << 0x40 << 0 << QByteArray::fromHex("41f002");
    QTest::newRow("query features dt6") << 0 << 240 << 0x40 << 0 << QByteArray::fromHex("41f003");
    QTest::newRow("239 dt8 sent twice") << 1 << 239 << 0x40 << 0 << QByteArray::fromHex("41ef02");
    QTest::newRow("query rgbwaf dt8") << 1 << 251 << 0x40 << 0 << QByteArray::fromHex("41fb03");
    QTest::newRow("dtMode 2 is dt8") << 2 << 224 << 0x40 << 0 << QByteArray::fromHex("41e001");
    QTest::newRow("enable write memory") << 0 << 129 << 0x04 << 0 << QByteArray::fromHex("058102");
    QTest::newRow("read memory location") << 0 << 197 << 0x04 << 0 << QByteArray::fromHex("05c503");
}

void TestDaliFrame::frames()
{
    QFETCH(int, dtMode);
    QFETCH(int, cmd);
    QFETCH(int, addr);
    QFETCH(int, para);
    QFETCH(QByteArray, frame);

    int out[3] = {-1, -1, -1};
    QVERIFY(encodeDaliFrame(dtMode, cmd, addr, para, out));
    QCOMPARE(out[0], int(quint8(frame[0])));
    QCOMPARE(out[1], int(quint8(frame[1])));
    QCOMPARE(out[2], int(quint8(frame[2])));
}

void TestDaliFrame::noFrame_data()
{
    QTest::addColumn<int>("dtMode");
    QTest::addColumn<int>("cmd");
    const int both[] = {-5, 38, 41, 49, 63, 130, 143, 169, 171, 175, 198, 223, 262, 270, 271, 277, 300, 349, 351};
    for (int cmd : both) {
        QTest::addRow("dt6 %d", cmd) << 0 << cmd;
        QTest::addRow("dt8 %d", cmd) << 1 << cmd;
    }
    const int dt6Only[] = {225, 226, 229, 236, 239, 242, 243, 246, 251, 252};
    for (int cmd : dt6Only)
        QTest::addRow("dt6 %d", cmd) << 0 << cmd;
    QTest::addRow("dt8 253") << 1 << 253;
    QTest::addRow("dt8 254") << 1 << 254;
}

void TestDaliFrame::noFrame()
{
    QFETCH(int, dtMode);
    QFETCH(int, cmd);
    int out[3] = {7, 8, 9};
    QVERIFY(!encodeDaliFrame(dtMode, cmd, 0x40, 0x77, out));
    QCOMPARE(out[0], 7);
    QCOMPARE(out[1], 8);
    QCOMPARE(out[2], 9);
}

void TestDaliFrame::parameterCommands()
{
    QList<int> withParameter;
    for (int cmd = -1; cmd <= 400; ++cmd) {
        QCOMPARE(daliCommandHasParameter(0, cmd), daliCommandHasParameter(1, cmd));
        if (daliCommandHasParameter(0, cmd))
            withParameter << cmd;
    }
    QCOMPARE(withParameter, (QList<int>{257, 258, 264, 265, 266, 267, 268, 272, 273, 274, 275, 276, 350}));
}

void TestDaliFrame::everyListedCommandHasAFrame()
{
    int out[3];
    for (const QString& name : dt6CommandNameList())
        QVERIFY2(encodeDaliFrame(0, name.left(3).toInt(), 0xFE, 0, out), qPrintable(name));
    for (const QString& name : dt8CommandNameList())
        QVERIFY2(encodeDaliFrame(1, name.left(3).toInt(), 0xFE, 0, out), qPrintable(name));
}

void TestDaliFrame::tables()
{
    const QStringList dt6 = dt6CommandNameList();
    QCOMPARE(dt6.size(), 190);
    QCOMPARE(dt6.first(), QString("350 DAPC"));
    QCOMPARE(dt6.at(1), QString("000 OFF"));
    QCOMPARE(dt6.at(11), QString("010 GO TO LAST ACTIVE LEVEL*"));
    QCOMPARE(dt6.at(12), QString("016 GO TO SCENE 0"));
    QCOMPARE(dt6.at(27), QString("031 GO TO SCENE 15"));
    QVERIFY(dt6.contains("079 SET SCENE 15 (DTR0)*"));
    QVERIFY(dt6.contains("191 QUERY SCENE LEVEL (scene 15)"));
    QVERIFY(dt6.contains("249 QUERY REFERENCE RUNNUNG"));
    QVERIFY(dt6.contains("263 PING*"));
    QVERIFY(dt6.contains("272 ENABLE DEVICE TYPE (data)"));
    QCOMPARE(dt6.at(dt6.size() - 3), QString("275 WRITE MEMORY LOCATION (DTR1,DTR0,data)"));
    QCOMPARE(dt6.at(dt6.size() - 2), QString("276 WRITE MEMORY LOCATION-NO REPLY (DTR1,DTR0,data)"));
    QCOMPARE(dt6.last(), QString("350 DAPC"));

    const QStringList dt8 = dt8CommandNameList();
    QCOMPARE(dt8.size(), 198);
    QCOMPARE(dt8.first(), QString("000 OFF"));
    QVERIFY(!dt8.contains("010 GO TO LAST ACTIVE LEVEL*"));
    QVERIFY(!dt8.contains("263 PING*"));
    QVERIFY(dt8.contains("272 ENABLE DEVICE TYPE"));
    QVERIFY(dt8.contains("231 SET TEMPORARY COLOUR TEMPERATURE Tc"));
    QCOMPARE(dt8.last(), QString("276 WRITE MEMORY LOCATION-NO REPLY (DTR1,DTR0,data)"));
    for (const QString& name : dt8)
        QVERIFY(!name.startsWith("350"));

    const QStringList iprog = iProgCommandNameList();
    QCOMPARE(iprog.size(), 32);
    QCOMPARE(iprog.first(), QString("INVALID COMMAND 0"));
    QCOMPARE(iprog.at(1), QString("QUERY_DRIVER_SN"));
    QCOMPARE(iprog.at(14), QString("INVALID COMMOND 14"));
    QCOMPARE(iprog.at(29), QString("QUERY_EOL_TIME (QUERY_SCHEDULE_FADETIME)"));
    QCOMPARE(iprog.last(), QString("QUERY_TABLE_VERSION"));
}

QTEST_APPLESS_MAIN(TestDaliFrame)
#include "tst_daliframe.moc"
