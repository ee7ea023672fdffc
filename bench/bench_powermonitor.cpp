// Reads the energy banks 202 to 204 of a virtual driver through the serial link and the simulated
// DALI programming tool on a pseudo-terminal, and prints for each full read the number of
// commands on the serial line, the wall time, and the ratio of the wall time to the floor the
// link's timing imposes: every answer is taken 40 ms after its first byte, so a read of n
// commands cannot take less than n x 40 ms. Target: 1.05.
//
// Usage: bench_powermonitor [--quick] [--runs N]
//   --quick   one read
//   --runs N  number of reads (default 10)

#include "dalipowermonitor.h"
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
constexpr int READ_TIMEOUT_MS = 30000;

FILE* out = stdout;

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

class Bench
{
public:
    Bench() : tool(&pty, SimProgTool::Kind::DaliTool)
    {
        driver.setEnergyBank(202, QByteArray::fromHex("FE00000001E240FF000001F4"));
        driver.setEnergyBank(203, QByteArray::fromHex("0000000000303900000000C8"));
        driver.setEnergyBank(204, QByteArray::fromHex("FD0000075BCD15FE00001770"));
        tool.setDaliBus(&driver);
        link.buildCommandTables();
        link.setWorkMode(SENDER_DALI_POWER_MONITOR);
        const QString path = pty.slavePath();
        link.setPortLister([path] {
            ToolPortInfo info;
            info.portName = path;
            info.manufacturer = "FTDI";
            info.vendorIdentifier = 0x0403;
            info.productIdentifier = 0x6001;
            return QList<ToolPortInfo>{info};
        });
        QObject::connect(&engine, &DaliPowerMonitor::sendCommand, &link, &SerialCommunication::sendDaliCommand);
        QObject::connect(&link, &SerialCommunication::commandResponse, &engine,
                         &DaliPowerMonitor::daliPowerMonitorResponse);
        QObject::connect(&link, &SerialCommunication::commandSendComplete, &engine,
                         &DaliPowerMonitor::sendDaliPowerMonitorCmdSequence);
        QObject::connect(&link, &SerialCommunication::communicateError, &engine, &DaliPowerMonitor::processCommError);
        QObject::connect(&link, &SerialCommunication::debug_msg, &link, [this](const QString& line) {
            if (line.startsWith("UART response data"))
                ++answers;
        });
        // The end of a read is stamped where the last bank is reported, not when the wait loop
        // gets round to looking.
        QObject::connect(&engine, &DaliPowerMonitor::updatePowerMonitorDisplay, &engine,
                         [this](int type, double*, uint) {
                             if (type == DaliPowerMonitor::POWER_TYPE_LOAD_SIDE)
                                 finished = clock.nsecsElapsed();
                         });
        QObject::connect(&engine, &DaliPowerMonitor::powerDataReadResult, &engine, [this](bool) { failed = true; });
        engine.setEnabled(1);
        engine.setShortAddress(0xFE);
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

    // One full read; false when it failed or did not end.
    bool read(int* commands, double* wallMs)
    {
        // Let the answer to whatever came before settle, then start on an idle line.
        waitUntil([] { return false; }, 100);
        tool.clearFrames();
        finished = -1;
        failed = false;
        const qint64 begin = clock.nsecsElapsed();
        engine.startRead();
        if (!waitUntil([this] { return finished >= 0 || failed; }, READ_TIMEOUT_MS) || failed)
            return false;
        // The read ends with the completion of its last answer; nothing may follow it.
        waitUntil([this] { return !engine.isReading(); }, READ_TIMEOUT_MS);
        *commands = tool.frames().size();
        *wallMs = (finished - begin) / 1e6;
        return true;
    }

private:
    PtyPair pty;
    SimProgTool tool;
    VirtualDriver driver;
    SerialCommunication link;
    DaliPowerMonitor engine;
    QElapsedTimer clock;
    qint64 finished = -1;
    bool failed = false;
    int answers = 0;
};

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
    int runs = 10;
    const int runsAt = args.indexOf("--runs");
    if (runsAt >= 0 && runsAt + 1 < args.size())
        runs = qMax(1, args.at(runsAt + 1).toInt());
    if (args.contains("--quick"))
        runs = 1;

    programToolIndex = PROG_TOOL_DALI;
    Bench bench;
    if (!bench.findTool()) {
        std::fprintf(out, "DALI tool not found on the pseudo-terminal\n");
        return 2;
    }

    std::fprintf(out, "%-8s %8s %10s %10s %8s\n", "op", "commands", "wall ms", "floor ms", "ratio");
    double worst = 0.0;
    for (int i = 0; i < runs; ++i) {
        int commands = 0;
        double wallMs = 0.0;
        if (!bench.read(&commands, &wallMs)) {
            std::fprintf(out, "a read failed or did not end\n");
            return 1;
        }
        const double ratio = wallMs / (commands * READ_WINDOW_MS);
        worst = qMax(worst, ratio);
        std::fprintf(out, "%-8s %8d %10.1f %10.1f %8.3f%s\n", "read", commands, wallMs, commands * READ_WINDOW_MS,
                     ratio, ratio > TARGET_RATIO ? "  above target" : "");
        std::fflush(out);
    }
    std::fprintf(out, "worst ratio %.3f (target %.2f)\n", worst, TARGET_RATIO);
    return 0;
}
