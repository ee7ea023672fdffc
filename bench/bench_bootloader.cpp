// Firmware update figures.
//
// 1. Loading an Intel HEX file of 1 MiB (32-byte records, extended linear addresses) into the
//    boot loader's image: the time of each load, through the engine's own load operation.
//    Target: under 20 ms.
// 2. Writing a 64 KiB image through the serial link into the simulated boot loader on a
//    pseudo-terminal. The simulated driver answers each frame only after the frame and its
//    one-byte answer would have crossed the line at its baud rate (a pseudo-terminal itself
//    passes bytes at once). The floor is that line time for every frame plus the link's read
//    time after each answer (0 ms for enter-boot, 100 ms for any other frame); printed is the
//    ratio of the wall time to that floor. Target: 1.05 or less.
//    (A HEX load keeps at most the 40 KiB application area; the image is set directly here.)
//
// Usage: bench_bootloader [--quick] [--runs N]
//   --quick   a 64 KiB HEX file, a 4 KiB image, one run
//   --runs N  HEX loads to time (default 5)

#include "benchsupport.h"
#include "bootloader.h"
#include "enginewiring.h"
#include "simbootloader.h"
#include "userprompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>

namespace {

constexpr double HEX_TARGET_MS = 20.0;
constexpr int HEX_RECORD_BYTES = 32;
constexpr int BITS_PER_BYTE = 10; // start, eight data bits, stop
constexpr int ANSWER_BYTES = 1;
constexpr int ENTER_READ_MS = 0;
constexpr int FRAME_READ_MS = 100;
constexpr quint8 ENTER_COMMAND = 0x07;
constexpr int UPDATE_TIMEOUT_MS = 600000;

// The file dialog picks the bench's file; every box gets its affirmative button.
class BenchPrompt : public UserPrompt
{
public:
    QString file;
    Button ask(Icon, const QString&, const QString&, int buttons, Button) override
    {
        return (buttons & Yes) ? Yes : Ok;
    }
    QString openFileName(const QString&, const QString&, const QString&) override { return file; }
};

QByteArray pseudoRandom(int size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    for (char& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = char(seed >> 24);
    }
    return bytes;
}

QByteArray hexRecord(int address, int type, const QByteArray& data)
{
    QByteArray bytes;
    bytes.append(char(data.size()));
    bytes.append(char(address >> 8));
    bytes.append(char(address & 0xFF));
    bytes.append(char(type));
    bytes.append(data);
    quint8 sum = 0;
    for (char b : qAsConst(bytes))
        sum = quint8(sum + quint8(b));
    bytes.append(char(quint8(-sum)));
    return ':' + bytes.toHex().toUpper() + "\r\n";
}

// Data records from address 0 on until the text reaches `size` bytes.
QByteArray hexText(int size)
{
    QByteArray text;
    text.reserve(size + 64);
    const QByteArray data = pseudoRandom(HEX_RECORD_BYTES, 7);
    for (quint32 address = 0; text.size() < size; address += HEX_RECORD_BYTES) {
        if ((address & 0xFFFF) == 0) {
            QByteArray upper;
            upper.append(char(address >> 24));
            upper.append(char((address >> 16) & 0xFF));
            text += hexRecord(0, 4, upper);
        }
        text += hexRecord(int(address & 0xFFFF), 0, data);
    }
    return text + hexRecord(0, 1, QByteArray());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = benchOptions(5);
    const bool quick = options.quick;
    const int runs = options.runs;

    // The loader touches its dump file in the working directory.
    QTemporaryDir dir;
    if (!dir.isValid() || !QDir::setCurrent(dir.path())) {
        std::printf("no working directory\n");
        return 2;
    }

    BenchPrompt prompt;
    BootLoader loader;
    loader.setPrompt(&prompt);

    // 1. HEX load.
    const int hexSize = quick ? 64 * 1024 : 1024 * 1024;
    prompt.file = dir.filePath("bench.hex");
    QFile file(prompt.file);
    if (!file.open(QIODevice::WriteOnly) || file.write(hexText(hexSize)) < 0) {
        std::printf("cannot write %s\n", qPrintable(prompt.file));
        return 2;
    }
    file.close();
    QList<double> loadMs;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        loader.loadHexFile();
        loadMs << t.nsecsElapsed() / 1e6;
    }
    std::sort(loadMs.begin(), loadMs.end());
    const double medianMs = loadMs.at(loadMs.size() / 2);
    std::printf("HEX load: %lld bytes of text, image %d bytes, median %.2f ms, best %.2f ms of %d%s\n",
                static_cast<long long>(QFileInfo(prompt.file).size()), loader.image.size(), medianMs,
                loadMs.first(), runs, medianMs > HEX_TARGET_MS ? "  above target" : "");
    if (loader.image.isEmpty()) {
        std::printf("HEX load failed\n");
        return 1;
    }

    // 2. Flashing over the pseudo-terminal.
    programToolIndex = PROG_TOOL_DALI;
    BenchLine line(SimProgTool::Kind::DaliTool, SENDER_BOOT);
    SimBootLoader driver(&line.tool);
    driver.setLinePaced(true);
    if (!line.findTool()) {
        std::printf("tool not found on the pseudo-terminal\n");
        return 2;
    }

    connectEngineToLink(loader, line.link);
    QElapsedTimer clock;
    qint64 finished = -1;
    QString lastMessage;
    QObject::connect(&loader, &BootLoader::showBootMessage, &loader, [&](const QString& msg) {
        lastMessage = msg;
        finished = clock.nsecsElapsed();
    });
    loader.setEnabled(1);
    loader.toolConnectionStateChange(1);

    const int imageSize = quick ? 4 * 1024 : 64 * 1024;
    loader.image = pseudoRandom(imageSize, 11);
    line.tool.clearFrames();
    clock.start();
    loader.startFirmwareUpdate();
    const QString success = QStringLiteral("Firmware has been updated successfully.");
    const bool done =
        waitUntil([&] { return lastMessage == success || !loader.isUpdateRunning(); }, UPDATE_TIMEOUT_MS);
    if (!done || lastMessage != success || driver.image() != loader.image) {
        std::printf("update failed: %s\n", qPrintable(lastMessage));
        return 1;
    }
    const double wallMs = finished / 1e6;
    const int baud = line.tool.lineBaudRate();
    double floorMs = 0;
    int frames = 0;
    for (const SimProgTool::Frame& f : line.tool.frames()) {
        const bool enter = f.bytes.size() > 2 && quint8(f.bytes.at(2)) == ENTER_COMMAND;
        floorMs += (f.bytes.size() + ANSWER_BYTES) * BITS_PER_BYTE * 1000.0 / baud +
                   (enter ? ENTER_READ_MS : FRAME_READ_MS);
        ++frames;
    }
    std::printf("flash: %d bytes in %d frames at %d baud, wall %.1f ms, floor %.1f ms, ratio %.3f%s\n",
                imageSize, frames, baud, wallMs, floorMs, wallMs / floorMs,
                wallMs / floorMs > TARGET_RATIO ? "  above target" : "");
    return 0;
}
