// The text files a user can hand the window, each read the way the window reads it: the product
// list at start-up (the window built and shown, its model box measured), a profile through the
// Programming tab's Load action, the factory information file through the administrator list and
// the factory reset, and a HEX file through the Firmware Update tab's Load action. For each input,
// a real file beside the hostile ones, prints the wall time of the window's work, the memory it
// took above what the process held before, and what the window made of the file. Every input is
// read in a fresh process of this program, so that nothing an earlier one left on the heap hides
// what the next one needs.
// Targets: every file read or refused within 1000 ms and 256 MB of growth.
//
// Usage: bench_textfiles [--quick]
//   --quick   the hostile files at a sixteenth of their size

#include "appsetup.h"
#include "globals.h"
#include "mainwindow.h"
#include "procmemory.h"
#include "profileformat.h"
#include "prompt.h"
#include "toolportinfo.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

constexpr double TARGET_MS = 1000.0;
constexpr double TARGET_MB = 256.0;
constexpr int CHILD_TIMEOUT_MS = 300000;

const char CHILD_OPTION[] = "--read";
const char FIGURES_MARK[] = "figures:";
const char PRODUCT_LIST[] = "Product List.txt";
const char FACTORY_FILE[] = "ProductFactoryInformation.txt";
const QByteArray HEADINGS =
    "Kavro Lumorant product list\nIndex,Model,Power(W),MaxCurrent(mA),MinCurrent(mA),"
    "Channels,PhyMinLevel(%),MaxVoltage(V),MinVoltage(V),AnalogVariant,DriverFeature(hex)\n";

// How the window gets at the file.
enum class Path
{
    StartUp,      // "Product List.txt" read while the window is built, then the window shown
    Profile,      // Programming tab, Load Profile
    AdminList,    // the administrator view's list of models
    FactoryReset, // the reset to the first model of the factory information file
    Hex,          // Firmware Update tab, Load Firmware
};

struct Input
{
    const char* name;
    Path path;
    const char* fileName;
    std::function<QByteArray(int scale)> content;
};

QByteArray productLine(int index, const QByteArray& name)
{
    return QByteArray::number(index) + ',' + name + ",75,1400,350,1,10,56.0,28.0,0,17FF\n";
}

QByteArray products(int count, int nameLength)
{
    QByteArray text = HEADINGS;
    for (int i = 0; i < count; ++i) {
        const QByteArray name = "Kavro KLD 075 M" + QByteArray::number(i);
        text += productLine(i, name + QByteArray(qMax(0, nameLength - name.size()), 'x'));
    }
    return text;
}

ProgDataStructDef settings(int product)
{
    ProgDataStructDef d;
    d.productIndex = quint16(product);
    d.current = 700;
    d.CLO_TimeList = {0, 11, 21, 41, 61, 81, 91, 101};
    d.CLO_LevelList = {100, 99, 98, 97, 96, 95, 94, 100};
    d.TimeDimStepList = {10, 20, 30, 40, 50};
    d.TimeDimLevelList = {100, 75, 50, 25, 10};
    d.TimeDimFadeTimeList = {1, 2, 4, 8, 16};
    return d;
}

QByteArray profile()
{
    return ProfileFormat::blockText(settings(1), "Kavro LED Driver KLD-075-1400").toLatin1();
}

QByteArray factoryFile(int models)
{
    QByteArray text;
    for (int i = 0; i < models; ++i)
        text += ProfileFormat::blockText(settings(i), QStringLiteral("Kavro KLD 075 M%1").arg(i)).toLatin1();
    return text;
}

QByteArray hexRecord(quint8 type, quint16 address, const QByteArray& data)
{
    QByteArray bytes;
    bytes.append(char(data.size())).append(char(address >> 8)).append(char(address)).append(char(type));
    bytes += data;
    quint8 sum = 0;
    for (char c : qAsConst(bytes))
        sum = quint8(sum + quint8(c));
    bytes.append(char(quint8(-sum)));
    return ':' + bytes.toHex().toUpper() + '\n';
}

// Data records of recordBytes each from address on, 64 KiB under every extended linear address,
// until the text would pass maxBytes; then the end record.
QByteArray hexFile(quint32 address, qint64 dataBytes, int recordBytes, qint64 maxBytes)
{
    const QByteArray end = hexRecord(1, 0, QByteArray());
    QByteArray text;
    const QByteArray data(recordBytes, char(0x5A));
    quint32 upper = 0xFFFFFFFF;
    for (qint64 at = 0; at < dataBytes; at += recordBytes, address += quint32(recordBytes)) {
        QByteArray lines;
        if (address >> 16 != upper) {
            upper = address >> 16;
            lines += hexRecord(4, 0, QByteArray().append(char(upper >> 8)).append(char(upper)));
        }
        const int length =
            int(qMin<qint64>(qMin<qint64>(recordBytes, dataBytes - at), 0x10000 - (address & 0xFFFF)));
        lines += hexRecord(0, quint16(address), data.left(length));
        if (text.size() + lines.size() + end.size() > maxBytes)
            break;
        text += lines;
        address += quint32(length - recordBytes);
        at += length - recordBytes;
    }
    return text + end;
}

const QList<Input>& inputs()
{
    constexpr qint64 MIB = 1 << 20;
    static const QList<Input> all = {
        {"product list, the example", Path::StartUp, PRODUCT_LIST,
         [](int) {
             QFile example(QStringLiteral(KL_EXAMPLE_PRODUCT_LIST));
             return example.open(QIODevice::ReadOnly) ? example.readAll() : QByteArray();
         }},
        {"product list, 300 products", Path::StartUp, PRODUCT_LIST, [](int) { return products(300, 30); }},
        {"product list, 4096 products of 200 chars", Path::StartUp, PRODUCT_LIST,
         [](int scale) { return products(4096 / scale, 200); }},
        {"product list, 51,559 products of 600 chars", Path::StartUp, PRODUCT_LIST,
         [](int scale) { return products(51559 / scale, 600); }},
        {"product list, 31 MiB line of \"ab,\"", Path::StartUp, PRODUCT_LIST,
         [](int scale) {
             return HEADINGS + productLine(0, "A") + QByteArray("ab,").repeated(int(31 * MIB / 3 / scale));
         }},
        {"profile, a real one", Path::Profile, "profile.txt", [](int) { return profile(); }},
        {"profile, last line + 20 M \":1\"", Path::Profile, "profile.txt",
         [](int scale) { return profile().chopped(1) + QByteArray(":1").repeated(20000000 / scale) + '\n'; }},
        {"factory list, 300 models", Path::AdminList, FACTORY_FILE, [](int) { return factoryFile(300); }},
        {"factory list, header + 40 M colons", Path::AdminList, FACTORY_FILE,
         [](int scale) {
             return "ProductIndex:   1  :Description:M" + QByteArray(40000000 / scale, ':') + '\n' +
                    factoryFile(1);
         }},
        {"factory list, 1,000,000 header lines", Path::AdminList, FACTORY_FILE,
         [](int scale) { return QByteArray("ProductIndex\n").repeated(1000000 / scale); }},
        {"factory list, 16 MiB of 512-char lines", Path::AdminList, FACTORY_FILE,
         [](int scale) {
             return factoryFile(1) + (QByteArray(511, '#') + '\n').repeated(int(16 * MIB / 512 / scale) - 4);
         }},
        {"factory list, 16 Mi empty lines", Path::AdminList, FACTORY_FILE,
         [](int scale) { return factoryFile(1) + QByteArray(int(16 * MIB / scale), '\n'); }},
        {"factory reset, model 1 of 300", Path::FactoryReset, FACTORY_FILE,
         [](int) { return factoryFile(300); }},
        {"factory reset, header + 40 M colons", Path::FactoryReset, FACTORY_FILE,
         [](int scale) {
             return "ProductIndex:   1  :Description:M" + QByteArray(40000000 / scale, ':') + '\n' +
                    factoryFile(1);
         }},
        {"hex, 40 KiB firmware", Path::Hex, "firmware.hex",
         [](int) { return hexFile(0x2000, 40960, 16, 64 * MIB); }},
        {"hex, data records to 64 MiB", Path::Hex, "firmware.hex",
         [](int scale) { return hexFile(0x2000, qint64(1) << 32, 255, 64 * MIB / scale); }},
        {"hex, 64 MiB of empty lines", Path::Hex, "firmware.hex",
         [](int scale) {
             return QByteArray(int(64 * MIB / scale) - 12, '\n') + hexRecord(1, 0, QByteArray());
         }},
    };
    return all;
}

// Runs the window's own action with every prompt answered: file dialogs with path, boxes with Ok,
// the login dialog cancelled as soon as it runs.
void answerPrompts(const QString& path, QStringList* boxes)
{
    Prompt::setResponder([path, boxes](const Prompt::Record& r) {
        if (r.kind == Prompt::Kind::OpenFile || r.kind == Prompt::Kind::SaveFile)
            return Prompt::Answer(path);
        boxes->append(r.title + ": " + r.text.left(60));
        return Prompt::Answer(QMessageBox::Ok);
    });
}

void triggerLoad(MainWindow& window, int tab)
{
    window.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(tab);
    window.findChild<QAction*>(QStringLiteral("loadAction"))->trigger();
}

// The login dialog, cancelled once its own event loop runs.
void cancelLoginWhenShown()
{
    const int level = QThread::currentThread()->loopLevel();
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, level] {
        if (QThread::currentThread()->loopLevel() <= level)
            return;
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->close();
            poll->deleteLater();
        }
    });
    poll->start(0);
}

int modelsListed()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = w->findChild<QComboBox*>(QStringLiteral("factoryResetDriverComboBox")))
            return box->count();
    }
    return -1;
}

// The child: reads one input the way the window does and prints "<mark> <ms> <growth kB> <outcome>"
// among the window's own traces.
int readInput(int number, const QString& dir)
{
    const Input& input = inputs().at(number);
    QDir::setCurrent(dir);
    setToolPortProvider([] { return QList<ToolPortInfo>(); });
    QStringList boxes;
    const QString path = QDir(dir).filePath(QString::fromLatin1(input.fileName));
    answerPrompts(path, &boxes);

    std::unique_ptr<MainWindow> window;
    if (input.path != Path::StartUp) {
        window = std::make_unique<MainWindow>();
        window->show();
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    resetPeakMemory();
    const qint64 startKb = statusKb("VmRSS");
    QElapsedTimer timer;
    timer.start();
    QString outcome;
    switch (input.path) {
    case Path::StartUp:
        window = std::make_unique<MainWindow>();
        window->show();
        QCoreApplication::processEvents();
        outcome = QStringLiteral("%1 products").arg(productList.size());
        break;
    case Path::Profile:
        triggerLoad(*window, MainWindow::TAB_PROGRAMMING);
        outcome = profileLoaded ? QStringLiteral("loaded") : QStringLiteral("refused");
        break;
    case Path::AdminList:
        cancelLoginWhenShown();
        QMetaObject::invokeMethod(window.get(), "adminPushBtn_clicked");
        outcome = QStringLiteral("%1 models").arg(modelsListed());
        break;
    case Path::FactoryReset:
        // With the DALI tool chosen the reset ends at its warning, once the block has been read.
        QMetaObject::invokeMethod(window.get(), "NFC_factoryReset", Q_ARG(int, 1));
        outcome = QStringLiteral("reset");
        break;
    case Path::Hex:
        triggerLoad(*window, MainWindow::TAB_FIRMWARE_UPDATE);
        outcome = QStringLiteral("image of %1 bytes").arg(window->bootLoaderEngine().image.size());
        break;
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    const qint64 growthKb = statusKb("VmHWM") - startKb;
    if (!boxes.isEmpty())
        outcome += QStringLiteral(", box \"%1\"").arg(boxes.join(QStringLiteral("\", \"")));
    std::printf("%s %.1f %lld %s\n", FIGURES_MARK, ms, growthKb, qPrintable(outcome));
    std::fflush(stdout);
    window.reset();
    Prompt::setResponder(nullptr);
    setToolPortProvider(nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication app(argc, argv);
    setUpApplication();
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String(CHILD_OPTION))
        return readInput(args.at(2).toInt(), args.at(3));

    const int scale = args.contains(QStringLiteral("--quick")) ? 16 : 1;
    std::printf("%-42s %9s %9s %11s  %s\n", "input", "file MB", "ms", "growth MB", "outcome");
    std::fflush(stdout);
    bool onTarget = true;
    for (int i = 0; i < inputs().size(); ++i) {
        const Input& input = inputs().at(i);
        QTemporaryDir dir;
        const QByteArray content = input.content(scale);
        QFile file(dir.filePath(QString::fromLatin1(input.fileName)));
        if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            std::fprintf(stderr, "cannot write %s\n", input.fileName);
            return 1;
        }
        file.close();
        // The window reads its product list at start-up: the example, unless that is the input.
        if (input.path != Path::StartUp)
            QFile::copy(QStringLiteral(KL_EXAMPLE_PRODUCT_LIST),
                        dir.filePath(QString::fromLatin1(PRODUCT_LIST)));

        QProcess reader;
        reader.setProcessChannelMode(QProcess::SeparateChannels);
        reader.start(QCoreApplication::applicationFilePath(),
                     {QString::fromLatin1(CHILD_OPTION), QString::number(i), dir.path()});
        if (!reader.waitForFinished(CHILD_TIMEOUT_MS) || reader.exitCode() != 0) {
            std::fprintf(stderr, "reading %s failed: %s\n", input.name,
                         reader.readAllStandardError().constData());
            return 1;
        }
        QByteArray figures;
        for (const QByteArray& line : reader.readAllStandardOutput().split('\n')) {
            if (line.startsWith(FIGURES_MARK))
                figures = line.mid(int(sizeof FIGURES_MARK));
        }
        const QList<QByteArray> fields = figures.split(' ');
        const double ms = fields.value(0).toDouble();
        const double growthMb = fields.value(1).toLongLong() / 1024.0;
        const bool within = ms < TARGET_MS && growthMb < TARGET_MB;
        onTarget = onTarget && within;
        std::printf("%-42s %9.2f %9.1f %11.1f  %s%s\n", input.name, content.size() / (1024.0 * 1024.0), ms,
                    growthMb, figures.mid(fields.value(0).size() + fields.value(1).size() + 2).constData(),
                    within ? "" : "  above target");
        std::fflush(stdout);
    }
    std::printf("targets: under %.0f ms and %.0f MB of growth each: %s\n", TARGET_MS, TARGET_MB,
                onTarget ? "met" : "NOT met");
    return 0;
}
