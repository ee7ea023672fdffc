#include "productlist.h"

#include "globals.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestProductList : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void listsAndFaults_data();
    void listsAndFaults();
    void fieldsOfOneLine_data();
    void fieldsOfOneLine();
    void missingFile();
    void exampleListIsClean();

private:
    QString writeList(const QByteArray& content);
    QTemporaryDir dir;
};

void TestProductList::init()
{
    QVERIFY(dir.isValid());
    productList.clear();
    productListLineNumber = 0;
}

QString TestProductList::writeList(const QByteArray& content)
{
    const QString path = dir.filePath("Product List.txt");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    f.write(content);
    return path;
}

static const QByteArray heading = "Kavro product list\nIndex,Name,F2,MaxI,MinI,F5,PhyMin,MaxV,MinV,Variant,Feature\n";

void TestProductList::listsAndFaults_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("listError");
    QTest::addColumn<int>("linesRead");

    QTest::newRow("three products") << heading + "0,A,0,700,350,0,10,54,27,0,3\n1,B,0,700,350,0,10,54,27,0,3\n"
                                                 "2,C,0,700,350,0,10,54,27,0,3\n"
                                    << QStringList{"A", "B", "C"} << false << 5;
    QTest::newRow("headings only") << heading << QStringList() << false << 2;
    QTest::newRow("empty file") << QByteArray() << QStringList() << false << 0;
    QTest::newRow("one heading line") << QByteArray("Kavro product list\n") << QStringList() << false << 1;
    QTest::newRow("last line without line end") << heading + "0,A,0,700,350,0,10,54,27,0,3\n1,B,0,700,350,0,10,54,27,0,3"
                                                << QStringList{"A", "B"} << false << 4;
    QTest::newRow("crlf") << QByteArray("h1\r\nh2\r\n0,A,0,700,350,0,10,54,27,0,9F\r\n1,B,0,700,350,0,10,54,27,0,3\r\n")
                          << QStringList{"A", "B"} << false << 4;
    QTest::newRow("first product has index 1") << heading + "1,A,0,700,350,0,10,54,27,0,3\n2,B,0,700,350,0,10,54,27,0,3\n"
                                               << QStringList() << true << 3;
    // The line whose index matches its line but not its position is dropped, never stored at
    // position 0 where it would stand for product 0.
    QTest::newRow("short line then index 1") << heading + "0,A,0,700,350,0,10,54,27,0\n1,B,0,700,350,0,10,54,27,0,3\n"
                                             << QStringList() << true << 4;
    QTest::newRow("blank line between products") << heading + "0,A,0,700,350,0,10,54,27,0,3\n\n1,B,0,700,350,0,10,54,27,0,3\n"
                                                 << QStringList{"A"} << true << 5;
    QTest::newRow("blank line, next index fits its line") << heading + "0,A,0,700,350,0,10,54,27,0,3\n\n"
                                                                       "2,C,0,700,350,0,10,54,27,0,3\n3,D,0,700,350,0,10,54,27,0,3\n"
                                                          << QStringList{"A"} << true << 5;
    QTest::newRow("blank lines after the last product") << heading + "0,A,0,700,350,0,10,54,27,0,3\n\n\n"
                                                        << QStringList{"A"} << false << 5;
    QTest::newRow("duplicate index") << heading + "0,A,0,700,350,0,10,54,27,0,3\n0,B,0,700,350,0,10,54,27,0,3\n"
                                                  "1,C,0,700,350,0,10,54,27,0,3\n"
                                     << QStringList{"A"} << true << 4;
    QTest::newRow("gap in the indexes") << heading + "0,A,0,700,350,0,10,54,27,0,3\n2,C,0,700,350,0,10,54,27,0,3\n"
                                        << QStringList{"A"} << true << 4;
    QTest::newRow("index is no number") << heading + "x,A,0,700,350,0,10,54,27,0,3\n"
                                        << QStringList() << true << 3;
    QTest::newRow("empty index") << heading + ",A,0,700,350,0,10,54,27,0,3\n" << QStringList() << true << 3;
    QTest::newRow("twelve fields are skipped too") << heading + "0,A,0,700,350,0,10,54,27,0,3,extra\n"
                                                   << QStringList() << false << 3;
    QTest::newRow("cr-only line ends") << QByteArray("h1\rh2\r0,A,0,700,350,0,10,54,27,0,3\r\r1,B,0,700,350,0,10,54,27,0,3\r")
                                       << QStringList{"A"} << true << 5;
    QTest::newRow("cr cr lf is one line end") << QByteArray("h1\r\r\nh2\r\r\n0,A,0,700,350,0,10,54,27,0,3\r\r\n")
                                              << QStringList{"A"} << false << 3;
    // Numbers no driver can hold stop the reading like a bad index; the records before stay.
    const QByteArray a = heading + "0,A,0,700,350,0,10,54,27,0,3\n";
    QTest::newRow("current choices without end") << a + "1,Huge,40,2147483647,0,1,10,54.0,27.0,0,0703\n"
                                                 << QStringList{"A"} << true << 4;
    QTest::newRow("currents of both int ends") << a + "1,B,40,2147483647,-2147483648,1,10,54,27,0,3\n"
                                               << QStringList{"A"} << true << 4;
    QTest::newRow("negative minimum current") << a + "1,B,0,700,-1,0,10,54,27,0,3\n" << QStringList{"A"} << true << 4;
    QTest::newRow("minimum above maximum") << a + "1,B,0,350,700,0,10,54,27,0,3\n" << QStringList{"A"} << true << 4;
    QTest::newRow("65535 mA is the top") << a + "1,B,0,65535,65535,0,10,54,27,0,3\n2,C,0,65536,0,0,10,54,27,0,3\n"
                                         << QStringList{"A", "B"} << true << 5;
    QTest::newRow("level nan") << a + "1,B,0,700,350,0,nan,54,27,0,3\n" << QStringList{"A"} << true << 4;
    QTest::newRow("level above 100 %") << a + "1,B,0,700,350,0,100.5,54,27,0,3\n" << QStringList{"A"} << true << 4;
    QTest::newRow("voltage inf") << a + "1,B,0,700,350,0,10,inf,27,0,3\n" << QStringList{"A"} << true << 4;
    QTest::newRow("voltage beyond float") << a + "1,B,0,700,350,0,10,54,1e39,0,3\n" << QStringList{"A"} << true << 4;
    QTest::newRow("negative voltage") << a + "1,B,0,700,350,0,10,54,-27,0,3\n" << QStringList{"A"} << true << 4;
    // The list holds 4096 products, indexes 0 to 4095: the 4097th is refused.
    QByteArray full = heading;
    QStringList fullNames;
    for (int i = 0; i <= 4096; ++i) {
        full += QByteArray::number(i) + ",P" + QByteArray::number(i) + ",0,700,350,0,10,54,27,0,3\n";
        fullNames << "P" + QString::number(i);
    }
    fullNames.removeLast();
    QTest::newRow("product index 4096") << full << fullNames << true << 4099;
    // Lines of 256 bytes: two headings, product 0, and filler to 32 MiB and one line beyond.
    const QByteArray filler = QByteArray(255, '#') + '\n';
    QByteArray huge = filler + filler + "0," + QByteArray(227, ' ') + "A,0,700,350,0,10,54,27,0,3\n";
    huge += filler.repeated(131070);
    QTest::newRow("file beyond 32 MiB") << huge << QStringList{"A"} << true << 131072;
    // A line is refused by its length before it is split: one of a product's 11 fields, or
    // 11 million fields.
    const QByteArray b256 = "1,B" + QByteArray(228, ' ') + ",0,700,350,0,10,54,27,0,3";
    QTest::newRow("product line of 256 bytes") << a + b256 + "\n" << QStringList{"A", "B"} << false << 4;
    QTest::newRow("product line of 257 bytes") << a + b256 + " \n" << QStringList{"A"} << true << 4;
    QTest::newRow("names of 600 characters")
        << a + "1," + QByteArray(600, 'N') + ",0,700,350,0,10,54,27,0,3\n2," + QByteArray(600, 'N') +
               ",0,700,350,0,10,54,27,0,3\n"
        << QStringList{"A"} << true << 4;
    QTest::newRow("one 31 MiB line of two-letter fields")
        << a + QByteArray("ab,").repeated((31 << 20) / 3) + "\n1,B,0,700,350,0,10,54,27,0,3\n"
        << QStringList{"A"} << true << 4;
    QTest::newRow("long headings are never read")
        << QByteArray(100000, 'h') + "\n" + QByteArray(100000, ',') + "\n0,A,0,700,350,0,10,54,27,0,3\n"
        << QStringList{"A"} << false << 3;
    QTest::newRow("names lose outer blanks only") << heading + "0,  Kavro KLD 40  ,0,700,350,0,10,54,27,0,3\n"
                                                  << QStringList{"Kavro KLD 40"} << false << 3;
}

void TestProductList::listsAndFaults()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, names);
    QFETCH(bool, listError);
    QFETCH(int, linesRead);

    const ProductListReadResult r = readProductListFile(writeList(content));
    QVERIFY(r.opened);
    QCOMPARE(r.listError, listError);
    QCOMPARE(productListLineNumber, linesRead);
    QStringList got;
    for (int i = 0; i < productList.size(); ++i) {
        got << productList[i].name;
        QCOMPARE(productList[i].index, i);
    }
    QCOMPARE(got, names);
}

void TestProductList::fieldsOfOneLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("field2");
    QTest::addColumn<int>("maxCurrent");
    QTest::addColumn<int>("minCurrent");
    QTest::addColumn<int>("field5");
    QTest::addColumn<float>("phyMinLevel");
    QTest::addColumn<float>("maxVoltage");
    QTest::addColumn<float>("minVoltage");
    QTest::addColumn<int>("analogVariant");
    QTest::addColumn<uint>("driverFeature");

    QTest::newRow("every field") << QByteArray("0,KLD-040-1050,40,1050,350,7,10.5,54.5,27,4,9F\n") << "KLD-040-1050"
                                 << 40 << 1050 << 350 << 7 << 10.5f << 54.5f << 27.0f << 4 << 0x9Fu;
    QTest::newRow("crlf keeps the mask") << QByteArray("0,KLD,1,3,2,4,5,6,7,8,C103\r\n") << "KLD"
                                         << 1 << 3 << 2 << 4 << 5.0f << 6.0f << 7.0f << 8 << 0xC103u;
    QTest::newRow("full 32-bit mask") << QByteArray("0,KLD,1,3,2,4,5,6,7,8,FFFFFFFF\n") << "KLD"
                                      << 1 << 3 << 2 << 4 << 5.0f << 6.0f << 7.0f << 8 << 0xFFFFFFFFu;
    QTest::newRow("numbers that do not parse read 0") << QByteArray("0,KLD,a,,3mA,x,ten,?,-,v,zz\n") << "KLD"
                                                      << 0 << 0 << 0 << 0 << 0.0f << 0.0f << 0.0f << 0 << 0u;
    QTest::newRow("blanks around numbers") << QByteArray(" 0 , KLD , 40 , 1050 , 350 , 7 , 10 , 54 , 27 , 0 , 2C0F \n")
                                           << "KLD" << 40 << 1050 << 350 << 7 << 10.0f << 54.0f << 27.0f << 0
                                           << 0x2C0Fu;
}

void TestProductList::fieldsOfOneLine()
{
    QFETCH(QByteArray, line);
    const ProductListReadResult r = readProductListFile(writeList(QByteArray("h1\nh2\n") + line));
    QVERIFY(r.opened);
    QVERIFY(!r.listError);
    QCOMPARE(productList.size(), 1);
    const ProductRecord& p = productList[0];
    QCOMPARE(p.index, 0);
    QTEST(p.name, "name");
    QTEST(p.field2, "field2");
    QTEST(p.maxCurrent, "maxCurrent");
    QTEST(p.minCurrent, "minCurrent");
    QTEST(p.field5, "field5");
    QTEST(p.phyMinLevel, "phyMinLevel");
    QTEST(p.maxVoltage, "maxVoltage");
    QTEST(p.minVoltage, "minVoltage");
    QTEST(p.analogVariant, "analogVariant");
    QTEST(p.driverFeature, "driverFeature");
}

void TestProductList::missingFile()
{
    const ProductListReadResult r = readProductListFile(dir.filePath("no such dir/Product List.txt"));
    QVERIFY(!r.opened);
    QVERIFY(!r.listError);
    QCOMPARE(r.errorString, QString("No such file or directory"));
    QVERIFY(productList.isEmpty());
    QCOMPARE(productListLineNumber, 0);
}

void TestProductList::exampleListIsClean()
{
    const ProductListReadResult r = readProductListFile(QFINDTESTDATA("../../app/example/Product List.txt"));
    QVERIFY(r.opened);
    QVERIFY(!r.listError);
    QCOMPARE(productList.size(), 5);
    unsigned int features = 0;
    for (const ProductRecord& p : qAsConst(productList)) {
        QVERIFY(p.name.startsWith("Kavro "));
        // The programming log takes the fourth word of the name as the model.
        QVERIFY(p.name.split(' ').size() >= 4);
        QVERIFY(p.minCurrent < p.maxCurrent);
        features |= p.driverFeature;
    }
    // Between them the example models offer every feature bit.
    QCOMPARE(features, 0xFFFFu);
}

QTEST_MAIN(TestProductList)
#include "tst_productlist.moc"
