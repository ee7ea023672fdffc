#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

// What the serial benchmarks share: their command line, the stream their figures go to, waiting
// in the event loop, the serial line with the simulated tool at its far end, and the table of
// wall times against the floor the line imposes.

#include "globals.h"
#include "progengine.h"
#include "ptypair.h"
#include "serialcommunication.h"
#include "simprogtool.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <unistd.h>
#include <utility>

// An operation is on target while its wall time stays within this ratio of the line's floor.
constexpr double TARGET_RATIO = 1.05;
// The link takes a DALI tool's answer this long after its first byte: the floor of one command.
constexpr double DALI_READ_WINDOW_MS = 40.0;

struct BenchOptions
{
    bool quick = false;
    int runs = 0;
};

// --quick: one run; --runs N: N runs; otherwise defaultRuns.
inline BenchOptions benchOptions(int defaultRuns)
{
    const QStringList args = QCoreApplication::arguments();
    BenchOptions options;
    options.quick = args.contains(QStringLiteral("--quick"));
    options.runs = defaultRuns;
    const int runsAt = args.indexOf(QStringLiteral("--runs"));
    if (runsAt >= 0 && runsAt + 1 < args.size())
        options.runs = qMax(1, args.at(runsAt + 1).toInt());
    if (options.quick)
        options.runs = 1;
    return options;
}

// The engines trace every command on standard output; the figures go to a copy of it and the
// traces to /dev/null. Called once, before anything is printed.
inline FILE* figureStream()
{
    const int figures = dup(STDOUT_FILENO);
    if (figures < 0)
        return stdout;
    FILE* f = fdopen(figures, "w");
    if (!f || !freopen("/dev/null", "w", stdout))
        return stdout;
    return f;
}

inline bool waitUntil(const std::function<bool()>& done, int timeoutMs)
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

// Product indexes 0 to count - 1 are in the product list.
inline void fillProductList(int count)
{
    for (int i = 0; i < count; ++i) {
        ProductRecord record;
        record.index = i;
        productList.append(record);
    }
}

// The serial link on a pseudo-terminal behind an FTDI adapter, the simulated tool at its other
// end. An operation is timed from its start to the moment the engine reports its end (stamp()),
// not to when the wait loop gets round to looking.
class BenchLine
{
public:
    static constexpr int TOOL_PROBE_TIMEOUT_MS = 5000;
    static constexpr int SETTLE_MS = 100;

    BenchLine(SimProgTool::Kind kind, int workMode) : tool(&pty, kind)
    {
        link.buildCommandTables();
        link.setWorkMode(workMode);
        const QString path = pty.slavePath();
        link.setPortLister([path] { return QList<ToolPortInfo>{ftdiToolPort(path)}; });
        QObject::connect(&link, &SerialCommunication::debug_msg, &link, [this](const QString& line) {
            if (line.startsWith(QLatin1String("UART response data")))
                ++probeOutcomes;
        });
        QObject::connect(&link, &SerialCommunication::communicateError, &link,
                         [this](int) { ++probeOutcomes; });
        clock.start();
    }

    // Two detection passes: the first probes the port, the second reads the outcome. Behind an
    // FTDI adapter the USB tool is told by its silence to the DALI tool's probe.
    bool findTool()
    {
        if (!pty.isOpen())
            return false;
        const int kind = tool.kind() == SimProgTool::Kind::DaliTool ? SerialCommunication::TOOL_KIND_DALI
                                                                    : SerialCommunication::TOOL_KIND_IPROG;
        link.checkToolPort(kind);
        if (!waitUntil([this] { return probeOutcomes > 0; }, TOOL_PROBE_TIMEOUT_MS))
            return false;
        return link.checkToolPort(kind);
    }

    // Lets the answer to whatever came before settle, clears the tool's logs, calls start and
    // waits for the end to be stamped; false when it was not within timeoutMs.
    bool measure(const std::function<void()>& start, int timeoutMs)
    {
        waitUntil([] { return false; }, SETTLE_MS);
        tool.clearFrames();
        tool.clearSentChunks();
        finished = -1;
        begun = clock.nsecsElapsed();
        start();
        return waitUntil([this] { return finished >= 0; }, timeoutMs);
    }

    // The engine reported the end of the operation; only its first report counts, and true
    // tells it was the first.
    bool stamp()
    {
        if (finished >= 0)
            return false;
        finished = clock.nsecsElapsed();
        return true;
    }

    double wallMs() const { return (finished - begun) / 1e6; }
    int commands() const { return tool.frames().size(); }

    // What crossed the line since the operation began: requests and answers.
    int bytesOnLine() const
    {
        int bytes = 0;
        for (const SimProgTool::Frame& frame : tool.frames())
            bytes += frame.bytes.size();
        for (const SimProgTool::Chunk& chunk : tool.sentChunks())
            bytes += chunk.bytes.size();
        return bytes;
    }

    PtyPair pty;
    SimProgTool tool;
    SerialCommunication link;

private:
    QElapsedTimer clock;
    qint64 begun = 0;
    qint64 finished = -1;
    int probeOutcomes = 0;
};

// The serial benchmarks' figures: a row an operation with its commands on the line, its wall
// time, the floor the line imposes and their ratio, flagged above the target; then the worst.
class FigureTable
{
public:
    FigureTable(FILE* out, int nameWidth) : out(out), nameWidth(nameWidth) {}

    void printHeader() const
    {
        std::fprintf(out, "%-*s %8s %10s %10s %8s\n", nameWidth, "op", "commands", "wall ms", "floor ms",
                     "ratio");
    }

    void row(const QString& name, int commands, double wallMs, double floorMs)
    {
        const double ratio = wallMs / floorMs;
        worst = qMax(worst, ratio);
        std::fprintf(out, "%-*s %8d %10.1f %10.1f %8.3f%s\n", nameWidth, qPrintable(name), commands, wallMs,
                     floorMs, ratio, ratio > TARGET_RATIO ? "  above target" : "");
        std::fflush(out);
    }

    void printWorst() const { std::fprintf(out, "worst ratio %.3f (target %.2f)\n", worst, TARGET_RATIO); }

private:
    FILE* out;
    int nameWidth;
    double worst = 0.0;
};

// Reads, programs and resets a driver through a programming engine wired to the line, and prints
// a row of figures for each. The first read comes with the driver's detection: the tool is
// announced, the probe finds a new driver and the engine reads it. Every later operation is
// started by a probe sent by hand: there is no driver-detection timer, so that no tick falls
// inside a measurement.
class OperationBench
{
public:
    // floorMs gives the floor of the operation that just ended.
    OperationBench(BenchLine& line, ProgEngine& engine, FigureTable& table, std::function<double()> floorMs)
        : line(line), engine(engine), table(table), floorMs(std::move(floorMs))
    {
        QObject::connect(&engine, &ProgEngine::productInfoReadUpdateSignal, &engine,
                         [this](int state, QString, int) {
                             if (state != READ_STATE_PROGRESS)
                                 end(state == READ_STATE_COMPLETE);
                         });
        QObject::connect(&engine, &ProgEngine::programmingStateUpdatedSignal, &engine,
                         [this](ProgStateDef state) {
                             if (state == PROG_STATE_SUCCESS || state == PROG_STATE_FAIL)
                                 end(state == PROG_STATE_SUCCESS);
                         });
        QObject::connect(&engine, &ProgEngine::resetOptResultSignal, &engine,
                         [this](int result) { end(result == RESET_OPT_SUCCESS); });
        engine.setEnabled(1);
    }

    // The first read, runs - 1 more reads, runs programmings of the record and, unless quick,
    // runs resets; false as soon as one failed or did not end within timeoutMs.
    bool runAll(const BenchOptions& options, const ProgDataStructDef& record, int timeoutMs,
                const QString& nameSuffix)
    {
        const auto measure = [&](const char* name, const std::function<void()>& start) {
            if (!line.measure(start, timeoutMs) || !succeeded)
                return false;
            table.row(QLatin1String(name) + nameSuffix, line.commands(), line.wallMs(), floorMs());
            return true;
        };
        const auto probe = [this] { engine.checkDriverConnection(); };

        bool ok = measure("read", [this] { engine.toolConnectionStateChange(1); });
        for (int i = 1; ok && i < options.runs; ++i) {
            engine.startReadProductInfo();
            ok = measure("read", probe);
        }
        for (int i = 0; ok && i < options.runs; ++i) {
            engine.writeRecord() = record;
            engine.startProgramming();
            ok = measure("program", probe);
            // Leave the production run so that the next program starts on a fresh request.
            engine.resetProgrammingState();
        }
        for (int i = 0; ok && !options.quick && i < options.runs; ++i) {
            engine.startResetOperatingTime();
            ok = measure("reset", probe);
        }
        return ok;
    }

private:
    void end(bool ok)
    {
        if (line.stamp())
            succeeded = ok;
    }

    BenchLine& line;
    ProgEngine& engine;
    FigureTable& table;
    std::function<double()> floorMs;
    bool succeeded = false;
};

#endif // BENCHSUPPORT_H
