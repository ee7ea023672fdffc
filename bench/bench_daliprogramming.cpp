// Reads, programs and resets a virtual driver through the serial link and the simulated DALI
// programming tool on a pseudo-terminal, and prints for each operation the number of commands
// on the serial line (the repeat of a send-twice frame included), the wall time, and the ratio
// of the wall time to the floor the link's timing imposes: every answer is taken 40 ms after its
// first byte, so an operation of n commands cannot take less than n x 40 ms. Target: 1.05.
//
// Usage: bench_daliprogramming [--quick] [--runs N]
//   --quick   one read and one programming run
//   --runs N  repetitions of each operation (default 5)

#include "benchsupport.h"
#include "daliprogramming.h"
#include "enginewiring.h"
#include "virtualdriver.h"

namespace {

constexpr int OPERATION_TIMEOUT_MS = 30000;
constexpr int PRODUCTS = 150;

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

} // namespace

int main(int argc, char** argv)
{
    FILE* out = figureStream();
    QCoreApplication app(argc, argv);
    const BenchOptions options = benchOptions(5);
    programToolIndex = PROG_TOOL_DALI;
    fillProductList(PRODUCTS);

    VirtualDriver driver;
    driver.setBank2(benchBank());
    BenchLine line(SimProgTool::Kind::DaliTool, SENDER_DALI_PROGRAMMING);
    line.tool.setDaliBus(&driver);
    DaliProgramming engine;
    connectEngineToLink(engine, line.link);
    if (!line.findTool()) {
        std::fprintf(out, "DALI tool not found on the pseudo-terminal\n");
        return 2;
    }

    FigureTable table(out, 8);
    table.printHeader();
    OperationBench bench(line, engine, table, [&line] { return line.commands() * DALI_READ_WINDOW_MS; });
    if (!bench.runAll(options, benchRecord(), OPERATION_TIMEOUT_MS, QString())) {
        std::fprintf(out, "an operation failed or did not end\n");
        return 1;
    }
    table.printWorst();
    return 0;
}
