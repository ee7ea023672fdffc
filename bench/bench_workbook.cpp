// Writes a command sequence workbook of 10,000 rows the way the DALI Control tab saves one (header
// row, seven text cells a row, the same formats and widths) and reads it back the way the tab
// loads one (every cell of the used range as text). Prints the time of each, and the peak memory
// of the read against the unpacked size of the file. The read runs in a fresh process of this
// program, so that nothing the write left on the heap hides what the read needs.
// Targets: write and read each under 300 ms; read memory under 4x the unpacked size.
//
// Then loads workbooks of every kind a user may pick, real ones and ones made to exhaust the
// load, through the window: the DALI Control tab's Load with the file dialog answered, each in a
// fresh process with the window already up. Prints per file the time the window's thread spends
// in the load, the growth of the process's peak memory over it, and whether the file was read
// (with its table rows) or refused.
// Targets: every file read or refused within 1000 ms and 256 MB of growth.
//
// Usage: bench_workbook [--quick] [--rows N]
//   --quick   1,000 rows, and only two files through the window
//   --rows N  rows of the sequence (default 10,000)

#include "appsetup.h"
#include "mainwindow.h"
#include "procmemory.h"
#include "prompt.h"
#include "sheetpackage.h"
#include "toolportinfo.h"
#include "xlsxcellreference.h"
#include "xlsxdocument.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <ctime>
#include <memory>
#include <unzip.h>

namespace {

constexpr double TARGET_MS = 300.0;
constexpr double TARGET_MEMORY_RATIO = 4.0;
constexpr int COLUMNS = 7;
constexpr double TARGET_LOAD_MS = 1000.0;
constexpr double TARGET_LOAD_GROWTH_MB = 256.0;
// The window is left to finish starting up before the load is measured.
constexpr int SETTLE_MS = 500;
constexpr int CHILD_TIMEOUT_MS = 600000;
const char FIGURES[] = "figures:";

qint64 unpackedSize(const QString& fileName)
{
    unzFile zip = unzOpen64(QFile::encodeName(fileName).constData());
    if (!zip)
        return 0;
    qint64 total = 0;
    for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) == UNZ_OK)
            total += qint64(info.uncompressed_size);
    }
    unzClose(zip);
    return total;
}

double writeSequence(const QString& fileName, int rows)
{
    QElapsedTimer timer;
    timer.start();
    QXlsx::Format header;
    header.setFontSize(12);
    header.setFontBold(true);
    header.setHorizontalAlignment(QXlsx::Format::AlignHCenter);
    header.setPatternBackgroundColor(QColor(152, 251, 152));
    header.setBorderStyle(QXlsx::Format::BorderMedium);
    QXlsx::Format data;
    data.setFontSize(12);
    data.setHorizontalAlignment(QXlsx::Format::AlignLeft);
    data.setBorderStyle(QXlsx::Format::BorderThin);

    QXlsx::Document book;
    const QStringList headers = {"No.", "Cmd ID", "Command Discription", "Address", "Data", "Delay", "Response"};
    const double widths[COLUMNS] = {8, 15, 60, 20, 10, 10, 13};
    for (int column = 0; column < COLUMNS; ++column) {
        book.write(1, column + 1, headers.at(column), header);
        book.setColumnWidth(column + 1, widths[column]);
    }
    for (int row = 0; row < rows; ++row) {
        const QStringList cells = {QString::number(row + 1), QStringLiteral("160"),
                                   QStringLiteral("QUERY ACTUAL LEVEL"), QStringLiteral("Addr %1").arg(row % 64),
                                   QString(), QStringLiteral("50"), QStringLiteral("0x%1").arg(row % 256, 2, 16)};
        for (int column = 0; column < COLUMNS; ++column)
            book.write(row + 2, column + 1, cells.at(column), data);
    }
    if (!book.saveAs(fileName)) {
        std::fprintf(stderr, "saving %s failed\n", qPrintable(fileName));
        return -1;
    }
    return timer.nsecsElapsed() / 1e6;
}

// The child: reads the workbook and prints "<ms> <peak kB above the start> <rows>".
int readSequence(const QString& fileName)
{
    const qint64 startKb = statusKb("VmRSS");
    QElapsedTimer timer;
    timer.start();
    const QXlsx::Document book(fileName);
    const int lastRow = book.dimension().lastRow();
    qint64 characters = 0;
    for (int row = 2; row <= lastRow; ++row) {
        for (int column = 1; column <= COLUMNS; ++column)
            characters += book.read(row, column).toString().size();
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%.1f %lld %d %lld\n", ms, statusKb("VmHWM") - startKb, lastRow - 1, characters);
    return book.isLoadPackage() ? 0 : 1;
}

// ---- Files through the window ------------------------------------------------------------------

struct LoadCase
{
    const char* name;
    bool quick; // also in the quick run
    std::function<bool(const QString& path)> make;
};

bool madeSheet(const QString& path, const PartFiller& body, const PackageFillers& fillers = PackageFillers())
{
    return writeSheetPackage(path, SHEET_HEAD, body, SHEET_TAIL, fillers);
}

QList<LoadCase> loadCases()
{
    const QByteArray sevenValues = "<row>" + QByteArray("<c><v>1</v></c>").repeated(COLUMNS) + "</row>";
    const QByteArray emptyRow = "<row>" + QByteArray("<c/>").repeated(16384) + "</row>";
    const QByteArray valueThenEmptyRow = "<row><c><v>5</v></c>" + QByteArray("<c/>").repeated(16383) + "</row>";
    // Row i + 3 with every cell, from the sheet's last column back to A, each holding its column.
    const auto rightToLeftRow = [](int i) {
        const int r = i + 3;
        QByteArray xml = "<row r=\"" + QByteArray::number(r) + "\">";
        for (int column = 16384; column >= 1; --column) {
            const QByteArray cell = QXlsx::CellReference(r, column).toString().toLatin1();
            xml += "<c r=\"" + cell + "\"><v>" + QByteArray::number(column) + "</v></c>";
        }
        return xml + "</row>";
    };
    // Elements nested as deep as the 12 MiB a workbook may unpack to allows, in thousands.
    const QByteArray thousandOpen = QByteArray("<a>").repeated(1000);
    const QByteArray thousandClose = QByteArray("</a>").repeated(1000);
    const int unclosedThousands = 4190;
    const int closedThousands = 1790;
    // Comments up to just under 64 MiB in every part.
    const QByteArray comments = QByteArray("<!---->").repeated(1024);
    const int commentsTo64MiB = int((qint64(64) << 20) / comments.size());
    return {
        {"real sequence, 300 rows", true, [](const QString& path) { return writeSequence(path, 300) >= 0; }},
        {"longest sequence, 16,384 rows", false,
         [](const QString& path) { return writeSequence(path, 16384) >= 0; }},
        {"496,266 rows x 7 values", true,
         [=](const QString& path) { return madeSheet(path, {sevenValues, 496265, nullptr}); }},
        {"960 rows x 16,384 empty cells", false,
         [=](const QString& path) { return madeSheet(path, {emptyRow, 960, nullptr}); }},
        {"180 rows x 16,384 empty cells, A holds 5", false,
         [=](const QString& path) { return madeSheet(path, {valueThenEmptyRow, 180, nullptr}); }},
        {"270 rows x 16,384 cells right to left", false,
         [=](const QString& path) { return madeSheet(path, {QByteArray(), 270, rightToLeftRow}); }},
        {"25 rows x 16,384 cells right to left", false,
         [=](const QString& path) { return madeSheet(path, {QByteArray(), 25, rightToLeftRow}); }},
        {"every part padded to just under 64 MiB", false,
         [=](const QString& path) {
             PackageFillers fillers;
             fillers.everyPart = {comments, commentsTo64MiB, nullptr};
             return madeSheet(path, {comments, commentsTo64MiB, nullptr}, fillers);
         }},
        {"_rels/.rels with 1.5 M relationships", false,
         [](const QString& path) {
             PackageFillers fillers;
             fillers.relationships = {"<Relationship Id=\"x\" Type=\"x\" Target=\"x\"/>", 1500000, nullptr};
             return madeSheet(path, PartFiller(), fillers);
         }},
        {"3.7 M shared strings", false,
         [](const QString& path) {
             PackageFillers fillers;
             fillers.strings = {"<si><t>a</t></si>", 3700000, nullptr};
             return madeSheet(path, PartFiller(), fillers);
         }},
        {"4.19 M unclosed elements", false,
         [=](const QString& path) { return madeSheet(path, {thousandOpen, unclosedThousands, nullptr}); }},
        {"1.79 M nested levels, closed", false,
         [=](const QString& path) {
             return madeSheet(path, {QByteArray(), 2 * closedThousands, [=](int i) {
                                         return i < closedThousands ? thousandOpen : thousandClose;
                                     }});
         }},
    };
}

// The processor time the window's thread has used, which other loads on the machine do not
// stretch as they stretch the wall time.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The child: the window up on the DALI Control tab, then the file loaded through the toolbar's
// Load. Prints "figures: <wall ms> <thread CPU ms> <peak kB above the start> <table rows> <refused 0/1>".
int loadThroughWindow(int argc, char** argv, const QString& fileName)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUpApplication();
    QTemporaryDir dir;
    if (!dir.isValid() || !QFile::copy(QStringLiteral(KL_EXAMPLE_PRODUCT_LIST), dir.filePath("Product List.txt")))
        return 1;
    QDir::setCurrent(dir.path());
    // No serial port of this machine is probed.
    setToolPortProvider([] { return QList<ToolPortInfo>(); });
    bool refused = false;
    Prompt::setResponder([&](const Prompt::Record& r) {
        if (r.kind == Prompt::Kind::OpenFile)
            return Prompt::Answer(fileName);
        refused = refused || r.kind == Prompt::Kind::Warning;
        return Prompt::Answer(QMessageBox::Ok);
    });

    auto window = std::make_unique<MainWindow>();
    window->show();
    window->findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(MainWindow::TAB_DALI_CONSOLE);
    settle(SETTLE_MS);
    refused = false;

    // Peak memory counted from here, with what start-up freed handed back first.
    resetPeakMemory();
    const qint64 startKb = statusKb("VmRSS");
    QElapsedTimer timer;
    timer.start();
    const double cpuStartMs = threadCpuMs();
    window->findChild<QAction*>(QStringLiteral("loadAction"))->trigger();
    QCoreApplication::processEvents();
    const double cpuMs = threadCpuMs() - cpuStartMs;
    const double ms = timer.nsecsElapsed() / 1e6;
    const qint64 growthKb = statusKb("VmHWM") - startKb;
    const int rows = window->findChild<QTableWidget*>(QStringLiteral("cmdSeqTableWidget"))->rowCount();
    std::fprintf(stdout, "%s %.1f %.1f %lld %d %d\n", FIGURES, ms, cpuMs, growthKb, rows, refused ? 1 : 0);
    std::fflush(stdout);

    window.reset();
    Prompt::setResponder(nullptr);
    setToolPortProvider(nullptr);
    QDir::setCurrent(QDir::rootPath());
    return 0;
}

// Every file through the window; false when one could not be made or loaded at all.
bool loadCasesThroughWindow(bool quick)
{
    QTemporaryDir dir;
    std::printf("files through the window's Load (targets < %.0f ms, < %.0f MB growth)\n", TARGET_LOAD_MS,
                TARGET_LOAD_GROWTH_MB);
    std::printf("  %-40s %9s %9s %9s %9s  %s\n", "file", "packed", "wall ms", "CPU ms", "growth", "outcome");
    bool ok = true;
    for (const LoadCase& c : loadCases()) {
        if (quick && !c.quick)
            continue;
        const QString path = dir.filePath(QStringLiteral("load.xlsx"));
        QFile::remove(path);
        if (!c.make(path)) {
            std::fprintf(stderr, "cannot make %s\n", c.name);
            ok = false;
            continue;
        }
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--load"), path});
        QList<QByteArray> figures;
        if (child.waitForFinished(CHILD_TIMEOUT_MS) && child.exitCode() == 0) {
            for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
                if (line.startsWith(FIGURES))
                    figures = line.mid(int(qstrlen(FIGURES))).trimmed().split(' ');
            }
        }
        if (figures.size() != 5) {
            std::fprintf(stderr, "loading %s failed: %s\n", c.name, child.readAllStandardError().constData());
            ok = false;
            continue;
        }
        const double ms = figures.at(0).toDouble();
        const double cpuMs = figures.at(1).toDouble();
        const double mb = figures.at(2).toLongLong() / 1024.0;
        const QByteArray outcome = figures.at(4) == "1" ? QByteArray("refused")
                                                        : "read, " + figures.at(3) + " rows";
        // The work is what the target is about; a busy machine stretches only the wall time.
        const bool onTarget = cpuMs < TARGET_LOAD_MS && mb < TARGET_LOAD_GROWTH_MB;
        std::printf("  %-40s %7.2f MB %9.1f %9.1f %6.1f MB  %s%s\n", c.name, QFile(path).size() / (1024.0 * 1024.0),
                    ms, cpuMs, mb, outcome.constData(), onTarget ? "" : "  (above target)");
        std::fflush(stdout);
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--load") == 0)
            return loadThroughWindow(argc, argv, QString::fromLocal8Bit(argv[i + 1]));
    }
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--read"))
        return readSequence(args.at(2));

    int rows = args.contains(QStringLiteral("--quick")) ? 1000 : 10000;
    const int rowsAt = args.indexOf(QStringLiteral("--rows"));
    if (rowsAt > 0 && rowsAt + 1 < args.size())
        rows = args.at(rowsAt + 1).toInt();

    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("CommandSequence.xlsx"));
    const double writeMs = writeSequence(fileName, rows);
    if (writeMs < 0)
        return 1;

    QProcess reader;
    reader.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--read"), fileName});
    if (!reader.waitForFinished(120000) || reader.exitCode() != 0) {
        std::fprintf(stderr, "reading failed: %s\n", reader.readAllStandardError().constData());
        return 1;
    }
    const QList<QByteArray> figures = reader.readAllStandardOutput().trimmed().split(' ');
    const double readMs = figures.value(0).toDouble();
    const double peakMb = figures.value(1).toLongLong() / 1024.0;
    const double unpackedMb = unpackedSize(fileName) / (1024.0 * 1024.0);
    const double ratio = unpackedMb > 0 ? peakMb / unpackedMb : 0;

    std::printf("command sequence workbook, %d rows (%s read back), %.2f MB packed, %.2f MB unpacked\n", rows,
                figures.value(2).constData(), QFile(fileName).size() / (1024.0 * 1024.0), unpackedMb);
    std::printf("  write:  %7.1f ms   (target < %.0f ms)\n", writeMs, TARGET_MS);
    std::printf("  read:   %7.1f ms   (target < %.0f ms)\n", readMs, TARGET_MS);
    std::printf("  read memory: %.2f MB peak above the start = %.2f x unpacked (target < %.0f x)\n", peakMb,
                ratio, TARGET_MEMORY_RATIO);
    std::fflush(stdout);
    const bool loaded = loadCasesThroughWindow(args.contains(QStringLiteral("--quick")));
    return figures.value(2).toInt() == rows && loaded ? 0 : 1;
}
