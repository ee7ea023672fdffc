// Saving over a file the user already has, on a disk that is full: the sequence workbook, the
// power data and the profile, each through the toolbar's Save with the file dialog answered, and
// the day's programming log after a programmed driver. The old file must stay byte for byte and
// the user must be told. A child process of this test does the saving on a small tmpfs that it
// mounts in user and mount namespaces of its own, so neither root nor a real full disk is needed;
// where the system allows no such namespaces the test is skipped.

#include "mainwindow.h"

#include "mainwindow_testsupport.h"
#include "xlsxdocument.h"

#include <QProcess>
#include <QtTest>
#include <QtWidgets>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const char CHILD_FLAG[] = "--on-full-disk";
// The child's exit code when it cannot have a disk of its own.
constexpr int NO_NAMESPACES = 77;

const QByteArray PRODUCT_0 = "0,Kavro KLD-040-1050,40,1050,350,1,10,54.0,27.0,0,0703";

constexpr int TAB_CONSOLE = 0;
constexpr int TAB_PROGRAMMING = 1;
constexpr int TAB_POWER = 2;

bool writeProcFile(const char* path, const QByteArray& text)
{
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.constData(), size_t(text.size())) == text.size();
    ::close(fd);
    return ok;
}

// Becomes root of a user namespace of its own (mapped to the caller's ids) with a private mount
// namespace, and mounts a 256 KiB tmpfs on dir. Must run before any thread exists.
bool mountSmallDisk(const char* dir, QByteArray* why)
{
    const QByteArray uid = QByteArray::number(uint(getuid()));
    const QByteArray gid = QByteArray::number(uint(getgid()));
    const auto failed = [why](const char* step) {
        *why = QByteArray(step) + QByteArray(": ") + QByteArray(std::strerror(errno));
        return false;
    };
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return failed("unshare");
    writeProcFile("/proc/self/setgroups", "deny"); // absent on old kernels, which do not need it
    if (!writeProcFile("/proc/self/uid_map", uid + ' ' + uid + " 1"))
        return failed("uid_map");
    if (!writeProcFile("/proc/self/gid_map", gid + ' ' + gid + " 1"))
        return failed("gid_map");
    if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return failed("private mounts");
    if (mount("tmpfs", dir, "tmpfs", 0, "size=256k") != 0)
        return failed("tmpfs");
    return true;
}

} // namespace

// The child's side, run inside the namespaces with the small disk mounted on `disk`.
class FullDiskSaves : public QObject, private WindowUnderTest
{
    Q_OBJECT

public:
    explicit FullDiskSaves(const QString& disk) : disk(disk) {}

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void init();
    void cleanup();
    void saveOverOldFile_data();
    void saveOverOldFile();
    void programmingLogLine();

private:
    void fillDisk();
    QString disk;
    std::unique_ptr<WindowTestEnvironment> env;
};

void FullDiskSaves::init()
{
    env = std::make_unique<WindowTestEnvironment>();
    env->writeProductList({PRODUCT_0});
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void FullDiskSaves::cleanup()
{
    window.reset();
    env.reset();
    for (const QString& name : QDir(disk).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(QDir(disk).filePath(name));
}

void FullDiskSaves::saveOverOldFile_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("warning"); // %1: the file's path

    const QString workbook = "warning|Warning|Save file failed! Please check that %1 can be written.";
    QTest::newRow("command sequence") << TAB_CONSOLE << "old.xlsx" << workbook;
    QTest::newRow("power data") << TAB_POWER << "old.xlsx" << workbook;
    QTest::newRow("profile") << TAB_PROGRAMMING << "old.txt"
                             << "warning|Error|Cannot write file %1:\nNo space left on device.";
}

void FullDiskSaves::saveOverOldFile()
{
    QFETCH(int, tab);
    QFETCH(QString, name);
    QFETCH(QString, warning);

    const QString path = QDir(disk).filePath(name);
    QXlsx::Document old;
    old.write(1, 1, QStringLiteral("old"));
    QVERIFY(old.saveAs(path));
    QFile oldFile(path);
    QVERIFY(oldFile.open(QIODevice::ReadOnly));
    const QByteArray oldBytes = oldFile.readAll();
    oldFile.close();

    fillDisk();

    // Something to save on each tab: one sequence row, one reading.
    button("seqCmdAddPushButton")->click();
    QTableWidget* readings = widget<QTableWidget>("monitorTableWidget");
    readings->setRowCount(1);
    readings->setItem(0, 0, new QTableWidgetItem(QStringLiteral("12-07 10:00:00")));

    widget<QTabWidget>("tabWidget")->setCurrentIndex(tab);
    Prompt::setResponder([path](const Prompt::Record& r) {
        if (r.kind == Prompt::Kind::SaveFile)
            return Prompt::Answer(path);
        return Prompt::Answer(QMessageBox::Ok);
    });
    Prompt::clearLog();
    widget<QAction>("saveAction")->trigger();

    QVERIFY(promptTrace().contains(warning.arg(path)));
    QVERIFY(oldFile.open(QIODevice::ReadOnly));
    QCOMPARE(oldFile.readAll(), oldBytes);
    // Nothing half-written is left beside it either.
    QCOMPARE(QDir(disk).entryList(QDir::Files | QDir::Hidden), QStringList({"filler", name}));
}

// Whatever room is left goes to a filler.
void FullDiskSaves::fillDisk()
{
    QFile filler(QDir(disk).filePath("filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (filler.write(block) > 0) {
    }
}

void FullDiskSaves::programmingLogLine()
{
    // The day's log ends 10 bytes short of a page: the next line fits only in part.
    const QString log = QDir(disk).filePath(MainWindow::programmingLogFileName(QDateTime::currentDateTime()));
    QByteArray oldLog = "Time,Model/Current,Mode,ProfileName,Options\n";
    oldLog += QByteArray(4096 - 10 - oldLog.size() - 1, 'x') + '\n';
    QFile file(log);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(oldLog) == oldLog.size());
    file.close();
    fillDisk();

    QDir::setCurrent(disk);
    QVERIFY(QMetaObject::invokeMethod(window.get(), "SaveTestResultToCSVFile"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), oldLog);
    QCOMPARE(widget<QLabel>("cloErrorLabel")->text(),
             "Error: Programming log '" + QFileInfo(log).fileName()
                 + "' could not be written (No space left on device); no label printed");
}

// The parent's side: runs the child and reports what it found.
class TestFullDiskSave : public QObject
{
    Q_OBJECT

private slots:
    void savesKeepOldFile();
};

void TestFullDiskSave::savesKeepOldFile()
{
    QTemporaryDir mountPoint;
    QVERIFY(mountPoint.isValid());
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(CHILD_FLAG), mountPoint.path()});
    QVERIFY(child.waitForFinished(300000));
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == NO_NAMESPACES)
        QSKIP(qPrintable(QStringLiteral("no private small disk here (%1)").arg(output.trimmed())));
    // The child's findings, without the window's chatter on standard output.
    QStringList findings;
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("FAIL!")) || line.startsWith(QLatin1String("   ")))
            findings << line;
    }
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(findings.join('\n')));
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], CHILD_FLAG) == 0) {
        QByteArray why;
        if (!mountSmallDisk(argv[2], &why)) {
            std::fprintf(stdout, "%s\n", why.constData());
            return NO_NAMESPACES;
        }
        int childArgc = 1;
        QApplication app(childArgc, argv);
        FullDiskSaves saves(QString::fromLocal8Bit(argv[2]));
        return QTest::qExec(&saves, 1, argv);
    }
    QApplication app(argc, argv);
    TestFullDiskSave test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fulldisksave.moc"
