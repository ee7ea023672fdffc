// The window's two workbooks through the toolbar's Save and Load with the file dialogs answered:
// the DALI Control tab's command sequence saved and loaded again, what other spreadsheet programs
// (openpyxl) read in what the window writes for the sequence and the power readings, saves that
// fail, files that load as no sequence or not at all, and files made to exhaust the window.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"
#include "procmemory.h"
#include "sheetpackage.h"
#include "xlsxcellreference.h"
#include "xlsxdocument.h"

#include <QProcess>
#include <QtTest>
#include <QtWidgets>

#include <memory>

namespace {

const QByteArray PRODUCT_0 = "0,Kavro KLD-040-1050,40,1050,350,1,10,54.0,27.0,0,0703";

constexpr int TAB_CONSOLE = 0;
constexpr int TAB_POWER = 2;

const QStringList THREE_ROWS = {
    "1|350|DAPC|Broadcast|100|50|",
    "2|0|OFF|Group 3||1000|0xFE",
    "3|160|QUERY ACTUAL LEVEL|Addr 10||20|",
};

// Two readings; the second one's last cell was never filled.
const QStringList READINGS = {
    "12-07 10:00:00|12.500|3.000|13.000|4.000|na|na",
    "12-07 10:00:10|12.625|3.010|13.100|4.010|11.900",
};

const QString FILTER = "Excel Files(*.xls *.xlsx";

// "title|proposed file|filter" of every file dialog asked for, each with the window as parent.
QStringList dialogsAsked(const QWidget* parent)
{
    QStringList asked;
    for (const Prompt::Record& r : Prompt::log()) {
        if (r.kind == Prompt::Kind::SaveFile || r.kind == Prompt::Kind::OpenFile)
            asked << r.title + '|' + r.dir + '|' + r.filter + (r.parent == parent ? "" : " (other parent)");
    }
    return asked;
}

// Prints the first sheet of a workbook as openpyxl sees it: every row's values, the Python types
// of the values, the distinct looks of the header row and of the data rows (font size, weight,
// alignment, fill, left/right/top/bottom borders), and the widths of columns A to G.
const char OPENPYXL_DUMP[] = R"(
import sys, openpyxl
from openpyxl.utils import get_column_letter
sheet = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
types, looks = set(), {1: set(), 2: set()}
for row in sheet.iter_rows():
    print('|'.join([str(row[0].row)] + ['' if c.value is None else str(c.value) for c in row]))
    for c in row:
        if c.value is not None:
            types.add(type(c.value).__name__)
        fill = 'solid ' + c.fill.fgColor.rgb if c.fill.fill_type == 'solid' else 'none'
        b = c.border
        looks[min(c.row, 2)].add(' '.join([str(int(c.font.sz)), 'bold' if c.font.b else 'plain',
            str(c.alignment.horizontal), fill] + [s.style or 'none' for s in (b.left, b.right, b.top, b.bottom)]))
print('value types:', ' '.join(sorted(types)))
print('header look:', '; '.join(sorted(looks[1])))
print('data look:', '; '.join(sorted(looks[2])))
print('widths:', ' '.join(str(int(sheet.column_dimensions[get_column_letter(i)].width)) for i in range(1, 8)))
)";

// A python3 that has openpyxl: the one on PATH, else the system's.
QString openpyxlPython()
{
    for (const QString& python : {QStringLiteral("python3"), QStringLiteral("/usr/bin/python3")}) {
        if (QProcess::execute(python, {"-c", "import openpyxl"}) == 0)
            return python;
    }
    return QString();
}

} // namespace

class TestWorkbooks : public QObject, private WindowUnderTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void sequenceSavedAndLoaded();
    void otherProgramsReadWhatWeWrite_data();
    void otherProgramsReadWhatWeWrite();
    void failedSaveIsReported_data();
    void failedSaveIsReported();
    void loadKeepsTableAndCountTogether_data();
    void loadKeepsTableAndCountTogether();
    void hostileWorkbookAnsweredQuickly_data();
    void hostileWorkbookAnsweredQuickly();

private:
    void fillTable(QTableWidget* t, const QStringList& rows);
    void fillBothTables();
    // The tab's Add with the single-command fields as they start: broadcast DAPC.
    void addRow() { button("seqCmdAddPushButton")->click(); }
    void save(int tab, const QString& answer);
    void load(const QString& answer);
    QAction* action(const char* name) const { return widget<QAction>(name); }

    std::unique_ptr<WindowTestEnvironment> env;
    QString fileAnswer;
};

void TestWorkbooks::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestWorkbooks::init()
{
    env.reset(new WindowTestEnvironment);
    env->writeProductList({PRODUCT_0});
    window.reset(new MainWindow);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    Prompt::setResponder([this](const Prompt::Record& r) {
        if (r.kind == Prompt::Kind::SaveFile || r.kind == Prompt::Kind::OpenFile)
            return Prompt::Answer(fileAnswer);
        return Prompt::Answer(QMessageBox::Ok);
    });
    Prompt::clearLog();
}

void TestWorkbooks::cleanup()
{
    window.reset();
    env.reset();
}

// Puts "cell|cell|..." rows into a table, as the tab's editing, its runs or its readings would;
// a row with fewer cells leaves the rest without items.
void TestWorkbooks::fillTable(QTableWidget* t, const QStringList& rows)
{
    t->setRowCount(rows.size());
    for (int row = 0; row < rows.size(); ++row) {
        const QStringList cells = rows.at(row).split(QLatin1Char('|'));
        for (int column = 0; column < cells.size(); ++column)
            t->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
}

void TestWorkbooks::fillBothTables()
{
    // Added through the tab first, so that the tab counts its rows.
    for (int i = 0; i < THREE_ROWS.size(); ++i)
        addRow();
    fillTable(table(), THREE_ROWS);
    fillTable(widget<QTableWidget>("monitorTableWidget"), READINGS);
}

void TestWorkbooks::save(int tab, const QString& answer)
{
    widget<QTabWidget>("tabWidget")->setCurrentIndex(tab);
    fileAnswer = answer;
    action("saveAction")->trigger();
}

void TestWorkbooks::load(const QString& answer)
{
    widget<QTabWidget>("tabWidget")->setCurrentIndex(TAB_CONSOLE);
    fileAnswer = answer;
    action("loadAction")->trigger();
}

void TestWorkbooks::sequenceSavedAndLoaded()
{
    fillBothTables();
    save(TAB_CONSOLE, env->path("seq.txt"));
    QVERIFY(QFile::exists(env->path("seq.txt.xlsx")));

    addRow();
    load(env->path("seq.txt.xlsx"));
    QCOMPARE(rowTexts(table()), THREE_ROWS);
    // The row count the tab keeps follows the loaded table: the next row is the fourth.
    addRow();
    QCOMPARE(table()->rowCount(), 4);
    QCOMPARE(table()->item(3, 0)->text(), QStringLiteral("4"));

    QCOMPARE(dialogsAsked(window.get()),
             QStringList({"Save command sequence|CommandSequence.xlsx|" + FILTER, "Open command sequence||" + FILTER}));
}

void TestWorkbooks::otherProgramsReadWhatWeWrite_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QStringList>("dump");

    const QString header = "header look: 12 bold center solid FF98FB98 medium medium medium medium";
    const QString data = "data look: 12 plain left none thin thin thin thin";
    QTest::newRow("command sequence")
        << TAB_CONSOLE << "seq.xlsx" << "seq.xlsx" << "Save command sequence|CommandSequence.xlsx|" + FILTER
        << QStringList{"1|No.|Cmd ID|Command Discription|Address|Data|Delay|Response",
                       "2|1|350|DAPC|Broadcast|100|50|",
                       "3|2|0|OFF|Group 3||1000|0xFE",
                       "4|3|160|QUERY ACTUAL LEVEL|Addr 10||20|",
                       "value types: str", header, data, "widths: 8 15 60 20 10 10 13"};
    QTest::newRow("power data")
        << TAB_POWER << "power" << "power.xlsx" << "Save power data|PowerDataRecord.xlsx|" + FILTER
        << QStringList{"1|Time|Active Power(W)|Active Energy(Wh)|Apparent Power(VA)|Apparent Energy(VAh)|"
                       "Load side Power(W)|Load side Energy(Wh)",
                       "2|12-07 10:00:00|12.500|3.000|13.000|4.000|na|na",
                       "3|12-07 10:00:10|12.625|3.010|13.100|4.010|11.900|",
                       "value types: str", header, data, "widths: 20 30 30 30 30 30 30"};
}

void TestWorkbooks::otherProgramsReadWhatWeWrite()
{
    QFETCH(int, tab);
    QFETCH(QString, answer);
    QFETCH(QString, file);
    QFETCH(QString, dialog);
    QFETCH(QStringList, dump);

    const QString python = openpyxlPython();
    if (python.isEmpty())
        QSKIP("python3 with openpyxl is not installed");

    fillBothTables();
    save(tab, env->path(answer));
    QCOMPARE(dialogsAsked(window.get()), QStringList(dialog));

    QProcess reader;
    reader.start(python, {"-c", QString::fromLatin1(OPENPYXL_DUMP), env->path(file)});
    QVERIFY(reader.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(reader.readAllStandardError()), QString());
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts), dump);
}

void TestWorkbooks::failedSaveIsReported_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("nameLength"); // of the first row's command name; 0: as it is

    QTest::newRow("sequence into a missing folder") << TAB_CONSOLE << "missing/seq.xlsx" << 0;
    QTest::newRow("power data over a folder") << TAB_POWER << "folder.xlsx" << 0;
    // A cell takes at most 32767 characters; the refused save must leave the earlier file.
    QTest::newRow("sequence with a cell too long") << TAB_CONSOLE << "kept.xlsx" << 32768;
}

void TestWorkbooks::failedSaveIsReported()
{
    QFETCH(int, tab);
    QFETCH(QString, target);
    QFETCH(int, nameLength);

    QVERIFY(QDir(env->path(QString())).mkpath("folder.xlsx"));
    QXlsx::Document old;
    old.write(1, 1, QStringLiteral("old"));
    QVERIFY(old.saveAs(env->path("kept.xlsx")));
    fillBothTables();
    if (nameLength > 0)
        table()->item(0, 2)->setText(QString(nameLength, QLatin1Char('x')));
    Prompt::clearLog();
    save(tab, env->path(target));
    QCOMPARE(promptTrace().mid(1),
             QStringList("warning|Warning|Save file failed! Please check that " + env->path(target)
                         + " can be written."));
    QCOMPARE(QXlsx::Document(env->path("kept.xlsx")).read(1, 1).toString(), QStringLiteral("old"));
}

void TestWorkbooks::loadKeepsTableAndCountTogether_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // written as is; empty: a workbook made below
    QTest::addColumn<int>("headerCells");    // cells of row 1 in the made workbook
    QTest::addColumn<int>("rows");           // rows in the table afterwards
    QTest::addColumn<bool>("warned");

    QByteArray legacy = QByteArray::fromHex("D0CF11E0A1B11AE1");
    legacy.append(2040, '\0');
    QTest::newRow("header only") << "head.xlsx" << QByteArray() << 7 << 0 << false;
    QTest::newRow("no cells at all") << "none.xlsx" << QByteArray() << 0 << 0 << false;
    QTest::newRow("legacy binary xls") << "old.xls" << legacy << 0 << 3 << true;
    QTest::newRow("upper-case suffix") << "head.XLSX" << QByteArray() << 7 << 3 << false;
}

void TestWorkbooks::loadKeepsTableAndCountTogether()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, headerCells);
    QFETCH(int, rows);
    QFETCH(bool, warned);

    if (content.isEmpty()) {
        QXlsx::Document book;
        for (int column = 1; column <= headerCells; ++column)
            book.write(1, column, QStringLiteral("head"));
        QVERIFY(book.saveAs(env->path(name)));
    } else {
        env->writeFile(name, content);
    }
    fillBothTables();
    Prompt::clearLog();
    load(env->path(name));

    QCOMPARE(table()->rowCount(), rows);
    if (rows == 3)
        QCOMPARE(rowTexts(table()), THREE_ROWS);
    QCOMPARE(promptTrace().mid(1),
             warned ? QStringList("warning|Warning|Open file failed! " + env->path(name)
                                  + " is not a readable .xlsx workbook.")
                    : QStringList());
    addRow();
    QCOMPARE(table()->rowCount(), rows + 1);
    QCOMPARE(table()->item(rows, 0)->text(), QString::number(rows + 1));
}

void TestWorkbooks::hostileWorkbookAnsweredQuickly_data()
{
    QTest::addColumn<QByteArray>("filler");
    QTest::addColumn<int>("repeats");
    QTest::addColumn<QByteArray>("rest");
    QTest::addColumn<PackageFillers>("fillers"); // of the package's other parts
    QTest::addColumn<int>("rows"); // 3: the table as it was, after the warning
    QTest::addColumn<QString>("lastRow");

    const PackageFillers none;
    const QByteArray mebibyteOfBlanks(1 << 20, ' ');
    const QByteArray longEmptyElement = "<" + QByteArray(4000, 'x') + "/>";
    QTest::newRow("256 MiB of blanks in the sheet data") << mebibyteOfBlanks << 256 << QByteArray() << none << 3
                                                         << THREE_ROWS.last();
    QTest::newRow("a sheet unpacking to 256 MiB") << longEmptyElement << 65536 << QByteArray() << none << 3
                                                  << THREE_ROWS.last();
    QTest::newRow("formatted empty cell in the last row")
        << QByteArray() << 0 << QByteArray("<row r=\"1048576\"><c r=\"A1048576\" s=\"1\"/></row>") << none << 1
        << "1|350|||||";
    // A million empty table rows for one value is no sequence.
    QTest::newRow("value in the last row")
        << QByteArray() << 0
        << QByteArray("<row r=\"1048576\"><c r=\"G1048576\" t=\"inlineStr\"><is><t>far</t></is></c></row>")
        << none << 3 << THREE_ROWS.last();

    // Rows without a number follow row 2 of the head: 16,383 of them end the sequence at 16,384 rows.
    const QByteArray sevenValues = "<row>" + QByteArray("<c><v>1</v></c>").repeated(7) + "</row>";
    QTest::newRow("longest sequence") << sevenValues << 16383 << QByteArray() << none << 16384
                                      << "1|1|1|1|1|1|1";
    QTest::newRow("one row longer than any sequence") << sevenValues << 16384 << QByteArray() << none << 3
                                                      << THREE_ROWS.last();

    // Each row holds a value in A, then empty cells out to the sheet's last column.
    const QByteArray emptyCellsToTheEnd = "<row><c><v>5</v></c>" + QByteArray("<c/>").repeated(16383) + "</row>";
    QTest::newRow("rows of empty cells to the last column") << emptyCellsToTheEnd << 150 << QByteArray() << none
                                                            << 151 << "5||||||";

    // Every cell of a row, written from the sheet's last column back to A, each holding its column.
    QByteArray rightToLeft;
    for (int row = 3; row <= 8; ++row) {
        rightToLeft += "<row r=\"" + QByteArray::number(row) + "\">";
        for (int column = 16384; column >= 1; --column) {
            const QByteArray cell = QXlsx::CellReference(row, column).toString().toLatin1();
            rightToLeft += "<c r=\"" + cell + "\"><v>" + QByteArray::number(column) + "</v></c>";
        }
        rightToLeft += "</row>";
    }
    QTest::newRow("rows written right to left") << QByteArray() << 0 << rightToLeft << none << 7 << "1|2|3|4|5|6|7";

    // Each part alone well inside what a workbook may unpack to, all five together beyond it.
    const QByteArray comments = QByteArray("<!---->").repeated(1024);
    PackageFillers everyPartPadded;
    everyPartPadded.everyPart = {comments, 600, nullptr};
    QTest::newRow("every part padded") << comments << 600 << QByteArray() << everyPartPadded << 3
                                       << THREE_ROWS.last();

    PackageFillers unusedRelationships;
    unusedRelationships.relationships = {
        "<Relationship Id=\"rIdX\" Target=\"custom.xml\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/customXml\"/>",
        50000, nullptr};
    QTest::newRow("relationships that lead nowhere") << QByteArray() << 0 << QByteArray() << unusedRelationships
                                                     << 1 << "1|350|||||";
    PackageFillers unusedStrings;
    unusedStrings.strings = {"<si><t>unused</t></si>", 300000, nullptr};
    QTest::newRow("shared strings no cell uses") << QByteArray() << 0 << QByteArray() << unusedStrings << 1
                                                 << "1|350|||||";

    const auto textRow = [](int characters) {
        return "<row r=\"3\"><c r=\"C3\" t=\"inlineStr\"><is><t>" + QByteArray(characters, 'x')
               + "</t></is></c></row>";
    };
    QTest::newRow("text as long as a cell holds") << QByteArray() << 0 << textRow(32767) << none << 2
                                                  << "||" + QString(32767, 'x') + "||||";
    QTest::newRow("text longer than a cell holds") << QByteArray() << 0 << textRow(32768) << none << 3
                                                   << THREE_ROWS.last();

    // A value beside elements nested inside its cell (worksheet, sheetData, row and c around them),
    // to the deepest a part may nest, then one level deeper.
    const auto nestedRow = [](int levels) {
        return "<row r=\"3\"><c r=\"A3\"><v>7</v>" + QByteArray("<x>").repeated(levels)
               + QByteArray("</x>").repeated(levels) + "</c></row>";
    };
    QTest::newRow("nested 64 deep") << QByteArray() << 0 << nestedRow(60) << none << 2 << "7||||||";
    QTest::newRow("nested 65 deep") << QByteArray() << 0 << nestedRow(61) << none << 3 << THREE_ROWS.last();
}

void TestWorkbooks::hostileWorkbookAnsweredQuickly()
{
    QFETCH(QByteArray, filler);
    QFETCH(int, repeats);
    QFETCH(QByteArray, rest);
    QFETCH(PackageFillers, fillers);
    QFETCH(int, rows);
    QFETCH(QString, lastRow);

    const QString path = env->path("hostile.xlsx");
    QVERIFY(writeSheetPackage(path, SHEET_HEAD, filler, repeats, rest + SHEET_TAIL, fillers));
    QVERIFY2(QFileInfo(path).size() < (1 << 20), qPrintable(QString::number(QFileInfo(path).size())));
    fillBothTables();
    Prompt::clearLog();

    // Peak memory counted from here (where the kernel allows resetting it), with what earlier
    // rows freed handed back first so that it cannot hide a new allocation.
    resetPeakMemory();
    const qint64 residentBefore = statusKb("VmRSS");
    QElapsedTimer clock;
    clock.start();
    load(path);
    QCoreApplication::processEvents();
    // Generous bounds: what is checked is that the window neither hangs nor swells.
    QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));
    const qint64 growthMiB = (statusKb("VmHWM") - residentBefore) / 1024;
    QVERIFY2(growthMiB < 256, qPrintable(QString::number(growthMiB)));

    QCOMPARE(table()->rowCount(), rows);
    QCOMPARE(rowTexts(table()).last().replace("<none>", ""), lastRow);
    QCOMPARE(promptTrace().mid(1),
             rows == 3 ? QStringList("warning|Warning|Open file failed! " + path + " is not a readable .xlsx workbook.")
                       : QStringList());
}

QTEST_MAIN(TestWorkbooks)
#include "tst_workbooks.moc"
