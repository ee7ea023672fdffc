// Reads the energy banks 202 to 204 of a virtual driver through the serial link and the simulated
// DALI programming tool on a pseudo-terminal, and prints for each full read the number of
// commands on the serial line, the wall time, and the ratio of the wall time to the floor the
// link's timing imposes: every answer is taken 40 ms after its first byte, so a read of n
// commands cannot take less than n x 40 ms. Target: 1.05.
//
// Usage: bench_powermonitor [--quick] [--runs N]
//   --quick   one read
//   --runs N  number of reads (default 10)

#include "benchsupport.h"
#include "dalipowermonitor.h"
#include "enginewiring.h"
#include "virtualdriver.h"

namespace {

constexpr int READ_TIMEOUT_MS = 30000;

} // namespace

int main(int argc, char** argv)
{
    FILE* out = figureStream();
    QCoreApplication app(argc, argv);
    const BenchOptions options = benchOptions(10);
    programToolIndex = PROG_TOOL_DALI;

    VirtualDriver driver;
    driver.setEnergyBank(202, QByteArray::fromHex("FE00000001E240FF000001F4"));
    driver.setEnergyBank(203, QByteArray::fromHex("0000000000303900000000C8"));
    driver.setEnergyBank(204, QByteArray::fromHex("FD0000075BCD15FE00001770"));
    BenchLine line(SimProgTool::Kind::DaliTool, SENDER_DALI_POWER_MONITOR);
    line.tool.setDaliBus(&driver);
    DaliPowerMonitor engine;
    connectEngineToLink(engine, line.link);
    // A read ends where the last bank is reported, or where it failed.
    bool failed = false;
    QObject::connect(&engine, &DaliPowerMonitor::updatePowerMonitorDisplay, &engine,
                     [&line](int type, double*, uint) {
                         if (type == DaliPowerMonitor::POWER_TYPE_LOAD_SIDE)
                             line.stamp();
                     });
    QObject::connect(&engine, &DaliPowerMonitor::powerDataReadResult, &engine, [&line, &failed](bool) {
        failed = true;
        line.stamp();
    });
    engine.setEnabled(1);
    engine.setShortAddress(0xFE);
    if (!line.findTool()) {
        std::fprintf(out, "DALI tool not found on the pseudo-terminal\n");
        return 2;
    }
    // As the window does once the tool is found: a read asked for without it is refused.
    engine.toolConnectionStateChange(1);

    FigureTable table(out, 8);
    table.printHeader();
    for (int i = 0; i < options.runs; ++i) {
        const auto start = [&engine, &failed] {
            failed = false;
            engine.startRead();
        };
        if (!line.measure(start, READ_TIMEOUT_MS) || failed) {
            std::fprintf(out, "a read failed or did not end\n");
            return 1;
        }
        // The read ends with the completion of its last answer; nothing may follow it.
        waitUntil([&engine] { return !engine.isReading(); }, READ_TIMEOUT_MS);
        table.row("read", line.commands(), line.wallMs(), line.commands() * DALI_READ_WINDOW_MS);
    }
    table.printWorst();
    return 0;
}
