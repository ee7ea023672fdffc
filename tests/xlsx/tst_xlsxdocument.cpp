// The spreadsheet layer against real files: workbooks saved by openpyxl and LibreOffice Calc
// (made by make_samples.py beside this file), files that are no workbook at all, and workbooks
// of its own written and read back.

#include "xlsxdocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(QXlsx::CellReference)

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
    void cellReference_data();
    void cellReference();
    void readsSamples_data();
    void readsSamples();
    void readsFirstSheetOnly_data();
    void readsFirstSheetOnly();
    void refusesUnreadableFiles_data();
    void refusesUnreadableFiles();
    void roundTrip_data();
    void roundTrip();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();

private:
    QTemporaryDir dir;
};

void TestXlsxDocument::cellReference_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");

    QTest::newRow("A1") << "A1" << 1 << 1;
    QTest::newRow("anchored") << "$G$4" << 4 << 7;
    QTest::newRow("two letters") << "AA10" << 10 << 27;
    QTest::newRow("last cell") << "XFD1048576" << 1048576 << 16384;
    QTest::newRow("column past the sheet") << "XFE1" << 0 << 0;
    QTest::newRow("row past the sheet") << "A1048577" << 0 << 0;
    QTest::newRow("row 0") << "A0" << 0 << 0;
    QTest::newRow("signed row") << "A+1" << 0 << 0;
    QTest::newRow("digits first") << "1A" << 0 << 0;
    QTest::newRow("empty") << "" << 0 << 0;
}

void TestXlsxDocument::cellReference()
{
    QFETCH(QString, text);
    QFETCH(int, row);
    QFETCH(int, column);

    const QXlsx::CellReference ref(text);
    QCOMPARE(ref.row(), row);
    QCOMPARE(ref.column(), column);
    if (ref.isValid())
        QCOMPARE(ref.toString(), text.remove(QLatin1Char('$')));
}

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
    QTest::newRow("openpyxl header") << "openpyxl_sequence.xlsx" << "C1" << "Command Discription" << string;
    QTest::newRow("openpyxl integer") << "openpyxl_sequence.xlsx" << "B2" << "350" << number;
    QTest::newRow("openpyxl zero") << "openpyxl_sequence.xlsx" << "B3" << "0" << number;
    QTest::newRow("openpyxl fraction") << "openpyxl_sequence.xlsx" << "F4" << "2.5" << number;
    QTest::newRow("openpyxl boolean") << "openpyxl_sequence.xlsx" << "G4" << "true" << int(QMetaType::Bool);
    QTest::newRow("openpyxl empty") << "openpyxl_sequence.xlsx" << "E3" << "" << none;
    QTest::newRow("calc shared string") << "libreoffice_sequence.xlsx" << "D2" << "Broadcast" << string;
    QTest::newRow("calc integer") << "libreoffice_sequence.xlsx" << "B2" << "350" << number;
    QTest::newRow("calc text of digits") << "libreoffice_sequence.xlsx" << "E3" << "007" << string;
    QTest::newRow("calc rich text runs") << "libreoffice_sequence.xlsx" << "C4" << "QUERY STATUS" << string;
    QTest::newRow("calc formula text") << "libreoffice_sequence.xlsx" << "D4" << "Addr 5" << string;
    QTest::newRow("calc fraction") << "libreoffice_sequence.xlsx" << "F3" << "0.25" << number;
    QTest::newRow("calc empty") << "libreoffice_sequence.xlsx" << "G2" << "" << none;
}

void TestXlsxDocument::readsSamples()
{
    QFETCH(QString, file);
    QFETCH(QString, cell);
    QFETCH(QString, text);
    QFETCH(int, type);

    const QXlsx::Document book(samplePath(file));
    QVERIFY(book.isLoadPackage());
    const QVariant value = book.read(QXlsx::CellReference(cell));
    QCOMPARE(value.toString(), text);
    QCOMPARE(value.userType(), type);
}

void TestXlsxDocument::readsFirstSheetOnly_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("openpyxl") << "openpyxl_sequence.xlsx";
    QTest::newRow("calc") << "libreoffice_sequence.xlsx";
}

// The second sheet, "Notes", runs to row 10 with "note N" in column A.
void TestXlsxDocument::readsFirstSheetOnly()
{
    QFETCH(QString, file);

    const QXlsx::Document book(samplePath(file));
    const QXlsx::CellRange used = book.dimension();
    QCOMPARE(QList<int>({used.firstRow(), used.firstColumn(), used.lastRow(), used.lastColumn()}),
             QList<int>({1, 1, 4, 7}));
    QCOMPARE(book.read(1, 1).toString(), QStringLiteral("No."));
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
    QTest::newRow("line break") << QVariant("a\nb") << QVariant("a\nb");
    QTest::newRow("control character") << QVariant("a\x01z") << QVariant("a\x01z");
    QTest::newRow("full-width mark") << QVariant(QString::fromUtf8("0~15\xEF\xBC\x81"))
                                     << QVariant(QString::fromUtf8("0~15\xEF\xBC\x81"));
    QTest::newRow("empty text") << QVariant(QString()) << QVariant();
    QTest::newRow("number") << QVariant(2.5) << QVariant(2.5);
    QTest::newRow("integer") << QVariant(350) << QVariant(350.0);
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

void TestXlsxDocument::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("textLength");

    QTest::newRow("missing folder") << "missing/book.xlsx" << 10;
    QTest::newRow("name of a folder") << "folder.xlsx" << 10;
    // Spreadsheets take at most 32767 characters in a cell; the old file must survive the refusal.
    QTest::newRow("text too long") << "kept.xlsx" << 32768;
}

void TestXlsxDocument::failedSaveKeepsOldFile()
{
    QFETCH(QString, target);
    QFETCH(int, textLength);

    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.xlsx")));
    const QString path = dir.filePath(target);
    QXlsx::Document old;
    old.write(1, 1, QStringLiteral("old"));
    if (target == QLatin1String("kept.xlsx"))
        QVERIFY(old.saveAs(path));

    QXlsx::Document book;
    book.write(1, 1, QString(textLength, QLatin1Char('x')));
    QVERIFY(!book.saveAs(path));
    if (target == QLatin1String("kept.xlsx"))
        QCOMPARE(QXlsx::Document(path).read(1, 1).toString(), QStringLiteral("old"));
}

QTEST_GUILESS_MAIN(TestXlsxDocument)
#include "tst_xlsxdocument.moc"
