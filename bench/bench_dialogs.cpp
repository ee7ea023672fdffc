// Opens and edits each curve dialog the way the Programming tab does, over and over: load the
// tab's values, show, change a few values (each a redraw), press OK (or close), and prints how
// much the heap and the resident set grew over the cycles, after a warm-up that lets Qt fill its
// caches (fonts, glyphs). Every dialog is created once, as the main window does. The style's
// pixmap cache is turned off: it keeps painted spin boxes and sliders up to its own limit of
// megabytes, which would hide what the dialogs themselves hold.
// Target: under 1 kB of heap growth a cycle (a single leaked series costs several kB a redraw, a
// leaked chart megabytes).
//
// Usage: bench_dialogs [--quick] [--cycles N]
//   --quick     100 cycles
//   --cycles N  cycles per dialog (default 1,000)

#include "clocurve.h"
#include "corridor_curve.h"
#include "dimcurve.h"
#include "mtpcurve.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPixmapCache>
#include <QSlider>
#include <QSpinBox>

#include <cstdio>
#include <functional>
#include <malloc.h>

namespace {

constexpr int WARM_UP_CYCLES = 200;
constexpr double TARGET_BYTES_PER_CYCLE = 1000.0;

qint64 heapBytes()
{
    return qint64(mallinfo2().uordblks);
}

qint64 rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

template <typename T>
void set(QWidget& dialog, const char* name, double value)
{
    dialog.findChild<T*>(QString::fromLatin1(name))->setValue(value);
}

void click(QWidget& dialog, const char* name)
{
    dialog.findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void pressOk(QWidget& dialog)
{
    click(dialog, "okButton");
    settle();
}

void corridorCycle(corridor_curve& d, int i)
{
    d.loadSettings(corridor_curve::CorridorSettings{100 - i % 50, i % 30, i % 255, (i * 7) % 255, 120, 10000});
    d.show();
    settle();
    set<QSlider>(d, "corridorTurnOnLevelSlider", 40 + i % 60);
    set<QSpinBox>(d, "corridorReleaseFadeTimeSpinBox_1", (i * 3) % 255);
    set<QSpinBox>(d, "corridorHoldTimeSpinBox_1", 10 + (i * 10) % 2000);
    click(d, "infinityCheckBox_1");
    pressOk(d);
}

void dimCycle(dimcurve& d, int i)
{
    d.loadSettings(dimcurve::DimSettings{i % 2, 10 + (i % 8) * 10, 5.0 + (i % 30) / 10.0, 0.5 + (i % 40) / 10.0});
    d.show();
    settle();
    click(d, i % 2 ? "dimOffRadioButton" : "minDimRadioButton");
    set<QSpinBox>(d, "minDimSpinBox", 90 - (i % 8) * 10);
    set<QDoubleSpinBox>(d, "startDimDoubleSpinBox", 8.5 - (i % 30) / 10.0);
    set<QDoubleSpinBox>(d, "endDimDoubleSpinBox", 4.5 - (i % 40) / 10.0);
    pressOk(d);
}

void mtpCycle(mtpcurve& d, int i)
{
    d.loadSettings(mtpcurve::MTPSettings{i % 99, 10.0 + i % 40, 2.0 + i % 8});
    d.show();
    settle();
    set<QDoubleSpinBox>(d, "MTPEndDoubleSpinBox", 1.0 + (i * 3) % 40);
    set<QDoubleSpinBox>(d, "MTPStartDoubleSpinBox", 49.0 - i % 5);
    set<QSpinBox>(d, "MTPMinLevelSpinBox", 99 - i % 99);
    pressOk(d);
}

void cloCycle(clocurve& d, int i)
{
    d.setTimeList({0, 10, 20, 40, 60, 80, 90, double(100 - i % 10)});
    d.setLevelList({100, 100, 105, 110, 115, 120, 125, double(130 + i % 20)});
    d.show();
    settle();
    d.reject();
    settle();
}

void measure(const char* name, int cycles, const std::function<void(int)>& cycle)
{
    for (int i = 0; i < WARM_UP_CYCLES; ++i)
        cycle(i);
    const qint64 heapBefore = heapBytes();
    const qint64 rssBefore = rssKb();
    for (int i = 0; i < cycles; ++i)
        cycle(WARM_UP_CYCLES + i);
    const qint64 growth = heapBytes() - heapBefore;
    const double perCycle = double(growth) / cycles;
    std::printf("%-16s %6d cycles  heap %+9lld B (%+8.1f B/cycle)  rss %+7lld kB  %s\n", name, cycles, growth,
                perCycle, rssKb() - rssBefore, perCycle < TARGET_BYTES_PER_CYCLE ? "ok" : "OVER TARGET");
}

} // namespace

int main(int argc, char** argv)
{
    // Nothing here needs a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QPixmapCache::setCacheLimit(0);
    const QStringList args = app.arguments();
    int cycles = args.contains(QStringLiteral("--quick")) ? 100 : 1000;
    const int at = args.indexOf(QStringLiteral("--cycles"));
    if (at > 0 && at + 1 < args.size())
        cycles = qMax(1, args.at(at + 1).toInt());

    corridor_curve corridor;
    dimcurve dim;
    mtpcurve mtp;
    clocurve clo;
    std::printf("target: under %.0f B of heap growth a cycle, after %d cycles of warm-up\n", TARGET_BYTES_PER_CYCLE,
                WARM_UP_CYCLES);
    measure("corridor_curve", cycles, [&](int i) { corridorCycle(corridor, i); });
    measure("dimcurve", cycles, [&](int i) { dimCycle(dim, i); });
    measure("mtpcurve", cycles, [&](int i) { mtpCycle(mtp, i); });
    measure("clocurve", cycles, [&](int i) { cloCycle(clo, i); });
    return 0;
}
