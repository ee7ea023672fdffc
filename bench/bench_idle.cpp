// Builds the window as the program does (the same application set-up, resources and animations
// included), shows it and lets it sit idle in each situation a bench spends most of its day in,
// then prints the share of one core the window's process used meanwhile (user + system time over
// wall time):
//   no tool            the tool search every 2 s and its indicator pulsing;
//   tool, no driver    on the Programming tab the driver search every 2 s, its indicator pulsing;
//   driver connected   the driver found and read, the Programming tab polling it every 2 s;
// each on the four tabs in turn. Each figure is taken once the tab's searches have settled.
// The simulated DALI programming tool runs in a process of its own (this program started with
// --tool-side) on a pseudo-terminal, so that only the window's own work is counted, as it would be
// with a real tool. The window draws on a private Xvfb server when one is installed and no
// platform is given through QT_QPA_PLATFORM, otherwise on Qt's offscreen platform.
// Target: under 0.3 % of a core in every situation.
//
// Usage: bench_idle [--quick] [--seconds N]
//   --quick      the Programming tab only (both indicators), 1 s a situation
//   --seconds N  idle time a situation (default 30)

#include "appsetup.h"
#include "benchsupport.h"
#include "globals.h"
#include "mainwindow.h"
#include "prompt.h"
#include "ptypair.h"
#include "simprogtool.h"
#include "toolportinfo.h"
#include "virtualdriver.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <utility>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr double TARGET_PERCENT = 0.3;
// Start-up work is not idle time: forms, fonts, the first tool checks, and the system's port
// list, which the tool search takes on every pass until the device nodes have been quiet for 5 s.
constexpr int START_UP_MS = 8000;
// After a search has settled: the last answer read, the last repaint made.
constexpr int SETTLE_MS = 1000;
// A tool is found on the detection pass after its probe, a driver on the next driver tick and
// then read: a few 2 s passes.
constexpr int SETTLE_TIMEOUT_MS = 30000;
constexpr int XVFB_START_TIMEOUT_MS = 10000;

const char TOOL_SIDE_OPTION[] = "--tool-side";
const char PLUG_IN_DRIVER[] = "plug\n";

// Memory bank 2 of a driver of product 1 of the example product list.
QByteArray exampleDriverBank2()
{
    return QByteArray::fromHex("49 03 FF BC 02 00 01 05 01 82 32 01"
                               "00 0B 15 29 3D 51 5B 65 64 63 62 61 60 5F 5E 5D"
                               "1E 45 23 01 00 01 02 05 01 02 28 4E 05 9A 01"
                               "11 12 13 14 15 16 17 18 19 0A 64 5A 0A 01"
                               "79 83 8D 97 A1 63 4F 3B 45 63 E2 01 02 03 04 05 07");
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The tool side: the simulated DALI programming tool on a pseudo-terminal, its bus empty until
// "plug" arrives on standard input, when the example driver is plugged in. Prints the port to open
// on standard output and ends when standard input closes.
int runToolSide(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    PtyPair pty;
    if (!pty.isOpen())
        return 1;
    SimProgTool tool(&pty, SimProgTool::Kind::DaliTool);
    VirtualDriver driver;
    driver.setBank2(exampleDriverBank2());
    driver.unplug();
    tool.setDaliBus(&driver);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[64];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            app.quit();
        } else if (QByteArray(buffer, int(n)).contains(PLUG_IN_DRIVER)) {
            driver.plugIn();
        }
    });
    std::printf("%s\n", qPrintable(pty.slavePath()));
    std::fflush(stdout);
    return app.exec();
}

// An X server of the bench's own, so that the window is drawn and flushed as on a desktop
// without anything else on the display; stopped with the bench.
class PrivateXServer
{
public:
    PrivateXServer() = default;
    ~PrivateXServer()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // The display name (":N"), empty when Xvfb is not installed or did not start.
    QByteArray start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        int fds[2];
        if (xvfb.isEmpty() || pipe2(fds, O_CLOEXEC) != 0)
            return {};
        const QByteArray program = QFile::encodeName(xvfb);
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int displayFd = dup(fds[1]); // without close-on-exec
            const int devNull = open("/dev/null", O_WRONLY);
            dup2(devNull, STDOUT_FILENO);
            dup2(devNull, STDERR_FILENO);
            const QByteArray fdText = QByteArray::number(displayFd);
            execl(program.constData(), "Xvfb", "-displayfd", fdText.constData(), "-screen", "0", "1280x1024x24",
                  "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        QByteArray number;
        pollfd p{fds[0], POLLIN, 0};
        while (pid > 0 && !number.endsWith('\n') && poll(&p, 1, XVFB_START_TIMEOUT_MS) > 0) {
            char c;
            if (read(fds[0], &c, 1) != 1)
                break;
            number += c;
        }
        close(fds[0]);
        if (!number.endsWith('\n'))
            return {};
        return ':' + number.trimmed();
    }

private:
    pid_t pid = -1;
};

// Lets the event loop run for the given time; returns the CPU time the process used meanwhile and
// its share of the wall time in per cent.
std::pair<double, double> idleCpu(int seconds)
{
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop idle;
    QTimer::singleShot(seconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    return {cpu, 100.0 * cpu / (double(wall.elapsed()) / 1000.0)};
}

const char* tabName(int tab)
{
    static const char* const names[] = {"DALI Control", "Programming", "Power Meter", "Firmware Update"};
    return names[tab];
}

} // namespace

int main(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], TOOL_SIDE_OPTION) == 0)
            return runToolSide(argc, argv);
    }

    PrivateXServer xServer;
    QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty()) {
        const QByteArray display = xServer.start();
        if (display.isEmpty()) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            platform = "offscreen";
        } else {
            qputenv("QT_QPA_PLATFORM", "xcb");
            qputenv("DISPLAY", display);
            platform = "xcb on a private Xvfb " + display;
        }
    }

    // The application as main() sets it up.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    setUpApplication();

    FILE* out = figureStream();
    const QStringList args = app.arguments();
    const bool quick = args.contains(QStringLiteral("--quick"));
    int seconds = quick ? 1 : 30;
    const int at = args.indexOf(QStringLiteral("--seconds"));
    if (at > 0 && at + 1 < args.size())
        seconds = qMax(1, args.at(at + 1).toInt());

    // The window reads its product list from, and writes its debug log to, the working directory.
    QTemporaryDir dir;
    if (!dir.isValid() ||
        !QFile::copy(QStringLiteral(KL_EXAMPLE_PRODUCT_LIST), dir.filePath("Product List.txt"))) {
        std::fprintf(stderr, "cannot set up a working directory\n");
        return 1;
    }
    QDir::setCurrent(dir.path());
    Prompt::setResponder([](const Prompt::Record&) { return Prompt::Answer(QMessageBox::Ok); });

    QProcess toolSide;
    toolSide.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    toolSide.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(TOOL_SIDE_OPTION)});
    if (!toolSide.waitForStarted() || !toolSide.waitForReadyRead()) {
        std::fprintf(stderr, "cannot start the simulated tool\n");
        return 1;
    }
    const QString toolPort = QString::fromLocal8Bit(toolSide.readLine().trimmed());

    auto window = std::make_unique<MainWindow>();
    window->show();
    waitUntil([] { return false; }, START_UP_MS);
    auto* tabs = window->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    auto* driverTimer = window->findChild<QTimer*>(QStringLiteral("driverDetectTimer"));

    std::fprintf(out, "platform %s, %d s a situation\n", platform.constData(), seconds);
    std::fprintf(out, "%-18s %-16s %8s %12s\n", "situation", "tab", "CPU s", "% of a core");
    std::fflush(out);

    const QList<int> allTabs = quick ? QList<int>{MainWindow::TAB_PROGRAMMING}
                                     : QList<int>{MainWindow::TAB_DALI_CONSOLE, MainWindow::TAB_PROGRAMMING,
                                                  MainWindow::TAB_POWER_METER, MainWindow::TAB_FIRMWARE_UPDATE};
    double worst = 0.0;
    bool settledEverywhere = true;
    // withTool: a tool must be found; withDriver: on the Programming tab a driver is connected and read.
    const auto measureTabs = [&](const char* situation, bool withTool, bool withDriver) {
        for (int tab : allTabs) {
            tabs->setCurrentIndex(tab);
            // On the Programming tab the driver search runs while the driver is absent and resumes
            // after a found driver has been read.
            const bool settled = waitUntil(
                [&] {
                    if (!withTool)
                        return true;
                    if (window->toolState() != 1)
                        return false;
                    if (tab != MainWindow::TAB_PROGRAMMING)
                        return true;
                    return window->driverState() == (withDriver ? DRIVER_CONNECTED : DRIVER_DISCONNECTED) &&
                           driverTimer->isActive();
                },
                SETTLE_TIMEOUT_MS);
            settledEverywhere = settledEverywhere && settled;
            waitUntil([] { return false; }, SETTLE_MS);

            const auto [cpu, percent] = idleCpu(seconds);
            worst = qMax(worst, percent);
            std::fprintf(out, "%-18s %-16s %8.3f %12.3f%s%s\n", situation, tabName(tab), cpu, percent,
                         percent >= TARGET_PERCENT ? "  above target" : "", settled ? "" : "  (not settled)");
            std::fflush(out);
        }
    };

    // With no tool the window lists the system's serial ports, as the program does.
    measureTabs("no tool", false, false);
    setToolPortProvider([toolPort] { return QList<ToolPortInfo>{ftdiToolPort(toolPort)}; });
    measureTabs("tool, no driver", true, false);
    toolSide.write(PLUG_IN_DRIVER);
    toolSide.waitForBytesWritten();
    measureTabs("driver connected", true, true);

    std::fprintf(out, "worst %.3f %% of a core (target under %.1f %%)\n", worst, TARGET_PERCENT);
    std::fflush(out);

    // The window lets go of the port before the tool goes.
    window.reset();
    toolSide.closeWriteChannel();
    if (!toolSide.waitForFinished())
        toolSide.kill();
    setToolPortProvider(nullptr);
    Prompt::setResponder(nullptr);
    QDir::setCurrent(QDir::rootPath());
    return settledEverywhere ? 0 : 1;
}
