// Reads, programs and resets a virtual driver through the serial link and the simulated DALI
// programming tool on a pseudo-terminal, and prints for each operation the number of commands
// on the serial line (the repeat of a send-twice frame included), the wall time, and the ratio
// of the wall time to the floor the link's timing imposes: every answer is taken 40 ms after its
// first byte, so an operation of n commands cannot take less than n x 40 ms. Target: 1.05.
//
// Usage: bench_daliprogramming [--quick] [--runs N]
//   --quick   one read and one programming run
//   --runs N  repetitions of each operation (default 5)

#include "daliprogramming.h"
#include "globals.h"
#include "ptypair.h"
#include "serialcommunication.h"
#include "simprogtool.h"
#include "virtualdriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

constexpr double READ_WINDOW_MS = 40.0;
constexpr double TARGET_RATIO = 1.05;
constexpr int OPERATION_TIMEOUT_MS = 30000;

FILE* out = stdout;

QByteArray benchBank()
{
    QByteArray b(74, '\0');
    b[0] = char(73);
    b[2] = char(0xFF);
    b[3] = char(0xBC); // 700 mA
    b[4] = char(0x02);
    b[6] = char(120); // product 120
    for (int a = 7; a <= 73; ++a)
        b[a] = char(a);
    return b;
}

ProgDataStructDef benchRecord()
{
    ProgDataStructDef d;
    setProgDataDefaults(d);
    d.productIndex = 120;
    d.current = 1050;
    d.dimFunctionType = 2;
    d.MTP_Start = 2700;
    d.MTP_End = 500;
    d.midnightOffset = -30;
    return d;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    // Blocks in the event loop; the ticker only makes sure the deadline is looked at.
    QTimer ticker;
    ticker.start(10);
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

struct Result
{
    QString name;
    int commands;
    double wallMs;
};

class Bench
{
public:
    Bench()
        : tool(&pty, SimProgTool::Kind::DaliTool)
    {
        driver.setBank2(benchBank());
        tool.setDaliBus(&driver);
        link.buildCommandTables();
        link.setWorkMode(SENDER_DALI_PROGRAMMING);
        const QString path = pty.slavePath();
        link.setPortLister([path] {
            ToolPortInfo info;
            info.portName = path;
            info.manufacturer = "FTDI";
            info.vendorIdentifier = 0x0403;
            info.productIdentifier = 0x6001;
            return QList<ToolPortInfo>{info};
        });
        QObject::connect(&engine, &DaliProgramming::sendCommand, &link, &SerialCommunication::sendDaliCommand);
        QObject::connect(&link, &SerialCommunication::commandResponse, &engine,
                         &DaliProgramming::daliProgrammingResponse);
        QObject::connect(&link, &SerialCommunication::commandSendComplete, &engine,
                         &DaliProgramming::sendDaliProgrammingCmdSequence);
        QObject::connect(&link, &SerialCommunication::communicateError, &engine, &DaliProgramming::processCommError);
        QObject::connect(&link, &SerialCommunication::debug_msg, &link, [this](const QString& line) {
            if (line.startsWith("UART response data"))
                ++answers;
        });
        // The end of an operation is stamped where the engine reports it, not when the wait
        // loop gets round to looking.
        QObject::connect(&engine, &DaliProgramming::productInfoReadUpdateSignal, &engine,
                         [this](int state, QString, int) {
                             if (state == READ_STATE_COMPLETE)
                                 finished = clock.nsecsElapsed();
                         });
        QObject::connect(&engine, &DaliProgramming::programmingStateUpdatedSignal, &engine,
                         [this](ProgStateDef state) {
                             if (state == PROG_STATE_SUCCESS || state == PROG_STATE_FAIL)
                                 finished = clock.nsecsElapsed();
                             lastState = state;
                         });
        QObject::connect(&engine, &DaliProgramming::resetOptResultSignal, &engine, [this](int) {
            finished = clock.nsecsElapsed();
        });
        // No driver-detection timer: each operation's probe is sent by hand, so that no tick
        // falls inside a measurement.
        engine.setEnabled(1);
        clock.start();
    }

    bool findTool()
    {
        if (!pty.isOpen())
            return false;
        link.checkToolPort(SerialCommunication::TOOL_KIND_DALI);
        if (!waitUntil([this] { return answers > 0; }, 2000))
            return false;
        return link.checkToolPort(SerialCommunication::TOOL_KIND_DALI);
    }

    // The first read comes with the driver's detection: the tool is announced, the probe finds
    // a new driver and the engine reads it.
    bool firstRead(Result* r) { return measure("read", r, [this] { engine.toolConnectionStateChange(1); }); }

    bool read(Result* r)
    {
        engine.startReadProductInfo();
        return measure("read", r, [this] { engine.checkDriverConnection(); });
    }

    bool program(Result* r)
    {
        engine.writeRecord() = benchRecord();
        engine.startProgramming();
        lastState = ProgStateDef(0);
        const bool ok = measure("program", r, [this] { engine.checkDriverConnection(); });
        // Leave the production run so that the next program starts on a fresh request.
        engine.resetProgrammingState();
        return ok && lastState == PROG_STATE_SUCCESS;
    }

    bool reset(Result* r)
    {
        engine.startResetOperatingTime();
        return measure("reset", r, [this] { engine.checkDriverConnection(); });
    }

private:
    bool measure(const QString& name, Result* r, const std::function<void()>& start)
    {
        // Let the answer to whatever came before settle, then start on an idle line.
        waitUntil([] { return false; }, 100);
        tool.clearFrames();
        finished = -1;
        const qint64 begin = clock.nsecsElapsed();
        start();
        if (!waitUntil([this] { return finished >= 0; }, OPERATION_TIMEOUT_MS))
            return false;
        r->name = name;
        r->commands = tool.frames().size();
        r->wallMs = (finished - begin) / 1e6;
        return true;
    }

    PtyPair pty;
    SimProgTool tool;
    VirtualDriver driver;
    SerialCommunication link;
    DaliProgramming engine;
    QElapsedTimer clock;
    qint64 finished = -1;
    int answers = 0;
    ProgStateDef lastState = ProgStateDef(0);
};

void print(const Result& r)
{
    const double floorMs = r.commands * READ_WINDOW_MS;
    std::fprintf(out, "%-8s %8d %10.1f %10.1f %8.3f%s\n", qPrintable(r.name), r.commands, r.wallMs, floorMs,
                 r.wallMs / floorMs, r.wallMs / floorMs > TARGET_RATIO ? "  above target" : "");
    std::fflush(out);
}

} // namespace

int main(int argc, char** argv)
{
    // The engine traces every command on standard output; keep the figures apart from them.
    const int figures = dup(STDOUT_FILENO);
    if (figures >= 0) {
        if (FILE* f = fdopen(figures, "w")) {
            out = f;
            if (!freopen("/dev/null", "w", stdout))
                out = stdout;
        }
    }

    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool quick = args.contains("--quick");
    int runs = 5;
    const int runsAt = args.indexOf("--runs");
    if (runsAt >= 0 && runsAt + 1 < args.size())
        runs = qMax(1, args.at(runsAt + 1).toInt());
    if (quick)
        runs = 1;

    programToolIndex = PROG_TOOL_DALI;
    for (int i = 0; i < 150; ++i) {
        ProductRecord record;
        record.index = i;
        productList.append(record);
    }

    Bench bench;
    if (!bench.findTool()) {
        std::fprintf(out, "DALI tool not found on the pseudo-terminal\n");
        return 2;
    }

    std::fprintf(out, "%-8s %8s %10s %10s %8s\n", "op", "commands", "wall ms", "floor ms", "ratio");
    QList<Result> results;
    Result r;
    auto keep = [&results, &r](bool ok) {
        if (ok) {
            results << r;
            print(r);
        }
        return ok;
    };
    bool ok = keep(bench.firstRead(&r));
    for (int i = 1; ok && i < runs; ++i)
        ok = keep(bench.read(&r));
    for (int i = 0; ok && i < runs; ++i)
        ok = keep(bench.program(&r));
    for (int i = 0; ok && !quick && i < runs; ++i)
        ok = keep(bench.reset(&r));
    if (!ok) {
        std::fprintf(out, "an operation failed or did not end\n");
        return 1;
    }

    double worst = 0.0;
    for (const Result& x : results)
        worst = qMax(worst, x.wallMs / (x.commands * READ_WINDOW_MS));
    std::fprintf(out, "worst ratio %.3f (target %.2f)\n", worst, TARGET_RATIO);
    return 0;
}
