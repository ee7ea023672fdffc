// Builds the real main window offscreen with no tool plugged in and lets it sit idle, then prints
// the share of one core the process used meanwhile (user + system time over wall time). What the
// window does while idle is looking for a tool every 2 s.
// Target: under 0.3 % of a core.
//
// Usage: bench_idle [--quick] [--seconds N]
//   --quick      5 s
//   --seconds N  idle time (default 60)

#include "globals.h"
#include "mainwindow.h"
#include "prompt.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr double TARGET_PERCENT = 0.3;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 60;
    const QStringList args = app.arguments();
    if (args.contains(QStringLiteral("--quick")))
        seconds = 5;
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

    MainWindow window;
    window.show();
    // Start-up work (forms, fonts, the first tool checks) is not idle time.
    QTimer::singleShot(1000, &app, &QApplication::quit);
    app.exec();

    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpuBefore;
    const double percent = 100.0 * cpu / (double(wall.elapsed()) / 1000.0);

    std::printf("idle %d s, no tool: %.3f s CPU, %.2f %% of a core (target under %.1f %%)\n", seconds, cpu,
                percent, TARGET_PERCENT);
    Prompt::setResponder(nullptr);
    QDir::setCurrent(QDir::rootPath());
    return 0;
}
