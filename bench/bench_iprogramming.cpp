// Reads, programs and resets a simulated driver through the serial link and the simulated USB
// programming tool behind an FTDI adapter on a pseudo-terminal, in both command sets, and prints
// for each operation the number of commands on the serial line, the wall time, and the ratio of
// the wall time to the floor the line imposes. Target: 1.05.
//
// The floor of one command is the time its request and its answer frame need on the line at
// 1200 baud, 10 bits a byte. A pseudo-terminal has no baud rate, so the simulated tool holds
// each answer back by that time. The link's 180 ms read time is not part of the floor: it only
// runs out on an answer that stops short of its length byte, and none does here.
//
// Usage: bench_iprogramming [--quick] [--runs N]
//   --quick   one read and one programming run of a driver of the newer command set
//   --runs N  repetitions of each operation (default 5)

#include "globals.h"
#include "iprogramming.h"
#include "ptypair.h"
#include "serialcommunication.h"
#include "simprogtool.h"
#include "simusbdriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

constexpr int LINE_BAUD_RATE = 1200;
constexpr double BITS_PER_BYTE = 10.0; // start, 8 data, stop
constexpr double TARGET_RATIO = 1.05;
constexpr int OPERATION_TIMEOUT_MS = 60000;
constexpr int NEWER_PRODUCT = 120;
constexpr int OLDER_PRODUCT = 20;

double lineMs(int bytes)
{
    return bytes * BITS_PER_BYTE * 1000.0 / LINE_BAUD_RATE;
}

ProgDataStructDef benchRecord(int product)
{
    ProgDataStructDef d;
    setProgDataDefaults(d);
    d.productIndex = quint16(product);
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
    double floorMs;
};

class Bench
{
public:
    explicit Bench(int product)
        : driver(quint16(product))
        , tool(&pty, SimProgTool::Kind::UsbTool)
        , product(product)
    {
        driver.setSetting(19, QByteArray::fromHex("bc02"));
        tool.setRequiredBaudRate(LINE_BAUD_RATE);
        // The answer leaves once the request and the answer would have crossed the line.
        tool.setUsbHandler([this](const QByteArray& frame) {
            const QByteArray answer = driver.answer(frame);
            const double ms = lineMs(frame.size() + answer.size());
            tool.setAnswerDelay(qRound(ms));
            lineTimeMs += ms;
            return answer;
        });
        link.buildCommandTables();
        link.setWorkMode(SENDER_IPROG);
        const QString path = pty.slavePath();
        link.setPortLister([path] {
            ToolPortInfo info;
            info.portName = path;
            info.manufacturer = "FTDI";
            info.vendorIdentifier = 0x0403;
            info.productIdentifier = 0x6001;
            return QList<ToolPortInfo>{info};
        });
        QObject::connect(&engine, &iProgramming::sendCommand, &link, &SerialCommunication::sendiProgCommand);
        QObject::connect(&link, &SerialCommunication::commandResponse, &engine, &iProgramming::iProgrammingResponse);
        QObject::connect(&link, &SerialCommunication::commandSendComplete, &engine,
                         &iProgramming::sendProgrammingCmdSequence);
        QObject::connect(&link, &SerialCommunication::communicateError, &engine, &iProgramming::processCommError);
        QObject::connect(&link, &SerialCommunication::communicateError, &link, [this](int) { ++errors; });
        // The end of an operation is stamped where the engine reports it, not when the wait
        // loop gets round to looking.
        QObject::connect(&engine, &iProgramming::productInfoReadUpdateSignal, &engine, [this](int state, QString, int) {
            if (state != READ_STATE_PROGRESS)
                finish(state == READ_STATE_COMPLETE);
        });
        QObject::connect(&engine, &iProgramming::programmingStateUpdatedSignal, &engine, [this](ProgStateDef state) {
            if (state == PROG_STATE_SUCCESS || state == PROG_STATE_FAIL)
                finish(state == PROG_STATE_SUCCESS);
        });
        QObject::connect(&engine, &iProgramming::resetOptResultSignal, &engine,
                         [this](int result) { finish(result == RESET_OPT_SUCCESS); });
        // No driver-detection timer: each operation's probe is sent by hand, so that no tick
        // falls inside a measurement.
        engine.setEnabled(1);
        clock.start();
    }

    // Behind an FTDI adapter the USB tool is told by its silence to the DALI tool's probe.
    bool findTool()
    {
        if (!pty.isOpen())
            return false;
        link.checkToolPort(SerialCommunication::TOOL_KIND_IPROG);
        if (!waitUntil([this] { return errors > 0; }, 5000))
            return false;
        return link.checkToolPort(SerialCommunication::TOOL_KIND_IPROG);
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
        engine.writeRecord() = benchRecord(product);
        engine.startProgramming();
        const bool ok = measure("program", r, [this] { engine.checkDriverConnection(); });
        // Leave the production run so that the next program starts on a fresh request.
        engine.resetProgrammingState();
        return ok;
    }

    bool reset(Result* r)
    {
        engine.startResetOperatingTime();
        return measure("reset", r, [this] { engine.checkDriverConnection(); });
    }

private:
    void finish(bool ok)
    {
        if (finished < 0) {
            finished = clock.nsecsElapsed();
            succeeded = ok;
        }
    }

    bool measure(const QString& name, Result* r, const std::function<void()>& start)
    {
        // Let the answer to whatever came before settle, then start on an idle line.
        waitUntil([] { return false; }, 100);
        tool.clearFrames();
        lineTimeMs = 0.0;
        finished = -1;
        const qint64 begin = clock.nsecsElapsed();
        start();
        if (!waitUntil([this] { return finished >= 0; }, OPERATION_TIMEOUT_MS) || !succeeded)
            return false;
        r->name = name + (product >= iProgramming::NEWER_SET_FIRST_PRODUCT ? "/newer" : "/older");
        r->commands = tool.frames().size();
        r->wallMs = (finished - begin) / 1e6;
        r->floorMs = lineTimeMs;
        return true;
    }

    PtyPair pty;
    SimUsbDriver driver;
    SimProgTool tool;
    SerialCommunication link;
    iProgramming engine;
    int product;
    QElapsedTimer clock;
    qint64 finished = -1;
    bool succeeded = false;
    double lineTimeMs = 0.0;
    int errors = 0;
};

void print(const Result& r)
{
    const double ratio = r.wallMs / r.floorMs;
    std::printf("%-14s %8d %10.1f %10.1f %8.3f%s\n", qPrintable(r.name), r.commands, r.wallMs, r.floorMs, ratio,
                ratio > TARGET_RATIO ? "  above target" : "");
    std::fflush(stdout);
}

// All operations on one driver; false when one failed or did not end.
bool runSet(int product, int runs, bool quick, double* worst)
{
    Bench bench(product);
    if (!bench.findTool()) {
        std::printf("USB tool not found on the pseudo-terminal\n");
        return false;
    }
    Result r;
    auto keep = [&r, worst](bool ok) {
        if (ok) {
            print(r);
            *worst = qMax(*worst, r.wallMs / r.floorMs);
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
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool quick = args.contains("--quick");
    int runs = 5;
    const int runsAt = args.indexOf("--runs");
    if (runsAt >= 0 && runsAt + 1 < args.size())
        runs = qMax(1, args.at(runsAt + 1).toInt());
    if (quick)
        runs = 1;

    programToolIndex = PROG_TOOL_IPROG;
    for (int i = 0; i <= NEWER_PRODUCT; ++i) {
        ProductRecord record;
        record.index = i;
        productList.append(record);
    }

    std::printf("%-14s %8s %10s %10s %8s\n", "op", "commands", "wall ms", "floor ms", "ratio");
    double worst = 0.0;
    bool ok = runSet(NEWER_PRODUCT, runs, quick, &worst);
    if (ok && !quick)
        ok = runSet(OLDER_PRODUCT, runs, quick, &worst);
    if (!ok) {
        std::printf("an operation failed or did not end\n");
        return 1;
    }
    std::printf("worst ratio %.3f (target %.2f)\n", worst, TARGET_RATIO);
    return 0;
}
