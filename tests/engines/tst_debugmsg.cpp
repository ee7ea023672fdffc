#include "debugmsg.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The message counter lives for the whole process, so the cases run in this order and the
// limit case comes last.
class TestDebugMsg : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startEmptiesTheFileAndEachMessageIsOnDisk();
    void unopenableFileIsSilent();
    void limitOf5000Messages();

private:
    static QString readLog();
    QTemporaryDir* dir = nullptr;
    QString previousDir;
};

void TestDebugMsg::init()
{
    previousDir = QDir::currentPath();
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    QVERIFY(QDir::setCurrent(dir->path()));
}

void TestDebugMsg::cleanup()
{
    QDir::setCurrent(previousDir);
    delete dir;
    dir = nullptr;
}

QString TestDebugMsg::readLog()
{
    QFile f("debug_msg.txt");
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

void TestDebugMsg::startEmptiesTheFileAndEachMessageIsOnDisk()
{
    {
        QFile old("debug_msg.txt");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("left over from the last run\n");
    }
    DebugMsg log;
    QCOMPARE(readLog(), QString());

    log.print_debug_msg("Serial port opened");
    // Read back without destroying anything: the line must already be on disk.
    QCOMPARE(readLog(), QString("Serial port opened\n"));
    log.print_debug_msg("two\nlines");
    QCOMPARE(readLog(), QString("Serial port opened\ntwo\nlines\n"));
}

void TestDebugMsg::unopenableFileIsSilent()
{
    // A directory in the file's place makes the open fail even for root.
    QVERIFY(QDir().mkdir("debug_msg.txt"));
    DebugMsg log;
    log.print_debug_msg("goes nowhere");
    QVERIFY(QFileInfo("debug_msg.txt").isDir());
}

void TestDebugMsg::limitOf5000Messages()
{
    DebugMsg log;
    // The earlier cases already counted three messages.
    for (int i = 3; i < 5000; ++i)
        log.print_debug_msg(QString::number(i));
    log.print_debug_msg("dropped");
    log.print_debug_msg("dropped too");

    const QStringList lines = readLog().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4997);
    QCOMPARE(lines.first(), QString("3"));
    QCOMPARE(lines.last(), QString("4999"));
}

QTEST_APPLESS_MAIN(TestDebugMsg)
#include "tst_debugmsg.moc"
