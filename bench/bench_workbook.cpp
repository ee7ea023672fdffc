// Writes a command sequence workbook of 10,000 rows the way the DALI Control tab saves one (header
// row, seven text cells a row, the same formats and widths) and reads it back the way the tab
// loads one (every cell of the used range as text). Prints the time of each, and the peak memory
// of the read against the unpacked size of the file. The read runs in a fresh process of this
// program, so that nothing the write left on the heap hides what the read needs.
// Targets: write and read each under 300 ms; read memory under 4x the unpacked size.
//
// Usage: bench_workbook [--quick] [--rows N]
//   --quick   1,000 rows
//   --rows N  rows of the sequence (default 10,000)

#include "xlsxdocument.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <unzip.h>

namespace {

constexpr double TARGET_MS = 300.0;
constexpr double TARGET_MEMORY_RATIO = 4.0;
constexpr int COLUMNS = 7;

// A status line of this process in kB ("VmRSS", "VmHWM"), 0 where /proc is not there.
qint64 statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

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

} // namespace

int main(int argc, char** argv)
{
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
    return figures.value(2).toInt() == rows ? 0 : 1;
}
