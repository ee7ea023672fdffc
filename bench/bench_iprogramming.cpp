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

#include "benchsupport.h"
#include "enginewiring.h"
#include "iprogramming.h"
#include "simusbdriver.h"

namespace {

constexpr int LINE_BAUD_RATE = 1200;
constexpr double BITS_PER_BYTE = 10.0; // start, 8 data, stop
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

// All operations on one driver; false when one failed or did not end.
bool runSet(int product, const BenchOptions& options, FigureTable& table, FILE* out)
{
    SimUsbDriver driver{quint16(product)};
    driver.setSetting(19, QByteArray::fromHex("bc02"));
    BenchLine line(SimProgTool::Kind::UsbTool, SENDER_IPROG);
    line.tool.setRequiredBaudRate(LINE_BAUD_RATE);
    // The answer leaves once the request and the answer would have crossed the line.
    line.tool.setUsbHandler([&driver, &line](const QByteArray& frame) {
        const QByteArray answer = driver.answer(frame);
        line.tool.setAnswerDelay(qRound(lineMs(frame.size() + answer.size())));
        return answer;
    });
    iProgramming engine;
    connectEngineToLink(engine, line.link);
    if (!line.findTool()) {
        std::fprintf(out, "USB tool not found on the pseudo-terminal\n");
        return false;
    }
    OperationBench bench(line, engine, table, [&line] { return lineMs(line.bytesOnLine()); });
    const QString set = product >= FIRST_NEWER_PRODUCT ? "/newer" : "/older";
    return bench.runAll(options, benchRecord(product), OPERATION_TIMEOUT_MS, set);
}

} // namespace

int main(int argc, char** argv)
{
    FILE* out = figureStream();
    QCoreApplication app(argc, argv);
    const BenchOptions options = benchOptions(5);
    programToolIndex = PROG_TOOL_IPROG;
    fillProductList(NEWER_PRODUCT + 1);

    FigureTable table(out, 14);
    table.printHeader();
    bool ok = runSet(NEWER_PRODUCT, options, table, out);
    if (ok && !options.quick)
        ok = runSet(OLDER_PRODUCT, options, table, out);
    if (!ok) {
        std::fprintf(out, "an operation failed or did not end\n");
        return 1;
    }
    table.printWorst();
    return 0;
}
