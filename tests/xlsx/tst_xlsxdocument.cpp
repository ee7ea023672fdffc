// The spreadsheet layer against real files: workbooks saved by openpyxl and LibreOffice Calc
// (made by make_samples.py beside this file), files that are no workbook at all, and workbooks
// of its own written and read back.

#include "xlsxdocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString samplePath(const QString& name)
{
    return QStringLiteral(XLSX_SAMPLES_DIR "/") + name;
}

QByteArray sample(const char* name)
{
    QFile file(samplePath(QString::fromLatin1(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The sample with its sheet's packed data hit in the middle: inflating or the CRC check fails.
QByteArray damagedSheet()
{
    QByteArray bytes = sample("openpyxl_sequence.xlsx");
    if (bytes.isEmpty())
        qFatal("sample missing");
    const QByteArray name = "xl/worksheets/sheet1.xml";
    const int header = bytes.indexOf(name); // the local header comes before the central directory
    const int data = header + name.size() + 40;
    for (int i = data; i < data + 8; ++i)
        bytes[i] = char(bytes.at(i) ^ 0x5A);
    return bytes;
}

} // namespace

class TestXlsxDocument : public QObject
{
    Q_OBJECT

private slots:
    void readsSamples_data();
    void readsSamples();
    void refusesUnreadableFiles_data();
    void refusesUnreadableFiles();
    void roundTrip_data();
    void roundTrip();

private:
    QTemporaryDir dir;
};

void TestXlsxDocument::readsSamples_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");

    const int string = QMetaType::QString;
    const int number = QMetaType::Double;
    const int none = QMetaType::UnknownType;
    QTest::newRow("openpyxl inline string") << "openpyxl_sequence.xlsx" << "C2" << "DAPC" << string;
    QTest::newRow("openpyxl integer") << "openpyxl_sequence.xlsx" << "B2" << "350" << number;
    QTest::newRow("openpyxl fraction") << "openpyxl_sequence.xlsx" << "F4" << "2.5" << number;
    QTest::newRow("openpyxl boolean") << "openpyxl_sequence.xlsx" << "G4" << "true" << int(QMetaType::Bool);
    QTest::newRow("openpyxl empty") << "openpyxl_sequence.xlsx" << "E3" << "" << none;
    QTest::newRow("calc shared string") << "libreoffice_sequence.xlsx" << "D2" << "Broadcast" << string;
    QTest::newRow("calc integer") << "libreoffice_sequence.xlsx" << "B2" << "350" << number;
    QTest::newRow("calc text of digits") << "libreoffice_sequence.xlsx" << "E3" << "007" << string;
    QTest::newRow("calc rich text runs") << "libreoffice_sequence.xlsx" << "C4" << "QUERY STATUS" << string;
    QTest::newRow("calc formula text") << "libreoffice_sequence.xlsx" << "D4" << "Addr 5" << string;
    QTest::newRow("calc fraction") << "libreoffice_sequence.xlsx" << "F3" << "0.25" << number;
}

void TestXlsxDocument::readsSamples()
{
    QFETCH(QString, file);
    QFETCH(QString, cell);
    QFETCH(QString, text);
    QFETCH(int, type);

    const QXlsx::Document book(samplePath(file));
    QVERIFY(book.isLoadPackage());
    // The second sheet, "Notes", runs down to row 10.
    const QXlsx::CellRange used = book.dimension();
    QCOMPARE(QList<int>({used.firstRow(), used.firstColumn(), used.lastRow(), used.lastColumn()}),
             QList<int>({1, 1, 4, 7}));
    const QVariant value = book.read(QXlsx::CellReference(cell));
    QCOMPARE(value.toString(), text);
    QCOMPARE(value.userType(), type);
}

void TestXlsxDocument::refusesUnreadableFiles_data()
{
    QTest::addColumn<QByteArray>("content");

    const QByteArray xlsx = sample("openpyxl_sequence.xlsx");
    QByteArray legacy = QByteArray::fromHex("D0CF11E0A1B11AE1");
    legacy.append(4088, '\0');
    QByteArray noWorkbook = xlsx;
    noWorkbook.replace("xl/workbook.xml", "xl/workbook.xmk");

    QTest::newRow("legacy binary xls") << legacy;
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("text") << QByteArray("No.,Cmd ID\n1,350\n");
    QTest::newRow("truncated") << xlsx.left(xlsx.size() / 2);
    QTest::newRow("damaged sheet") << damagedSheet();
    QTest::newRow("no workbook part") << noWorkbook;
}

void TestXlsxDocument::refusesUnreadableFiles()
{
    QFETCH(QByteArray, content);

    const QString path = dir.filePath(QStringLiteral("unreadable.xlsx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();

    const QXlsx::Document book(path);
    QVERIFY(!book.isLoadPackage());
    QVERIFY(!book.dimension().isValid());
    QVERIFY(!book.read(1, 1).isValid());
}

void TestXlsxDocument::roundTrip_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("digits stay text") << QVariant("350") << QVariant("350");
    QTest::newRow("formula-like text") << QVariant("=1+1") << QVariant("=1+1");
    QTest::newRow("spaces kept") << QVariant("  Group 3 ") << QVariant("  Group 3 ");
    QTest::newRow("escape-like text") << QVariant("_x0041_") << QVariant("_x0041_");
    QTest::newRow("control character") << QVariant("a\x01z") << QVariant("a\x01z");
    QTest::newRow("full-width mark") << QVariant(QString::fromUtf8("0~15\xEF\xBC\x81"))
                                     << QVariant(QString::fromUtf8("0~15\xEF\xBC\x81"));
    QTest::newRow("empty text") << QVariant(QString()) << QVariant();
    QTest::newRow("number") << QVariant(2.5) << QVariant(2.5);
    QTest::newRow("boolean") << QVariant(true) << QVariant(true);
}

void TestXlsxDocument::roundTrip()
{
    QFETCH(QVariant, value);
    QFETCH(QVariant, expected);

    QXlsx::Format format;
    format.setBorderStyle(QXlsx::Format::BorderThin);
    QXlsx::Document book;
    QVERIFY(book.write(QXlsx::CellReference("C3"), value, format));
    const QString path = dir.filePath(QStringLiteral("roundtrip.xlsx"));
    QVERIFY(book.saveAs(path));

    const QXlsx::Document again(path);
    QVERIFY(again.isLoadPackage());
    QCOMPARE(again.read(QXlsx::CellReference("C3")), expected);
    // The formatted empty cell still counts as used.
    QCOMPARE(again.dimension().lastRow(), 3);
}

QTEST_GUILESS_MAIN(TestXlsxDocument)
#include "tst_xlsxdocument.moc"
