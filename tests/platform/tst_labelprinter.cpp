// The label program as the operator's PC runs it: a stand-in "print_csv.exe" on the PATH records
// its arguments and working directory, and ends as each case asks.

#include "labelprinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestLabelPrinter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void print_data();
    void print();
    void missingProgramIsReported();
    void commandLine();

private:
    void installStandIn(const QByteArray& body);
    QStringList recorded() const;

    QTemporaryDir binDir;
    QTemporaryDir workDir;
    QByteArray originalPath;
    QString originalCwd;
};

void TestLabelPrinter::initTestCase()
{
    QVERIFY(binDir.isValid());
    QVERIFY(workDir.isValid());
    originalPath = qgetenv("PATH");
    originalCwd = QDir::currentPath();
    qputenv("PATH", QFile::encodeName(binDir.path()) + ':' + originalPath);
    QDir::setCurrent(workDir.path());
}

void TestLabelPrinter::cleanupTestCase()
{
    qputenv("PATH", originalPath);
    QDir::setCurrent(originalCwd);
}

void TestLabelPrinter::init()
{
    QFile::remove(binDir.filePath("print_csv.exe"));
    QFile::remove(binDir.filePath("record.txt"));
}

void TestLabelPrinter::installStandIn(const QByteArray& body)
{
    QFile script(binDir.filePath("print_csv.exe"));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n"
                 "{ pwd -P; printf '%s\\n' \"$@\"; } > \"$(dirname \"$0\")/record.txt\"\n"
                 + body);
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QStringList TestLabelPrinter::recorded() const
{
    QFile file(binDir.filePath("record.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void TestLabelPrinter::print_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("finishTimeoutMs");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("message");

    QTest::newRow("printed") << QByteArray("exit 0\n") << 30000 << int(LabelPrinter::Outcome::Printed) << "";
    QTest::newRow("printer error exit code")
        << QByteArray("exit 3\n") << 30000 << int(LabelPrinter::Outcome::ExitCode)
        << "Label printing failed: print_csv.exe ended with exit code 3";
    QTest::newRow("crash") << QByteArray("kill -KILL $$\n") << 30000 << int(LabelPrinter::Outcome::Crashed)
                           << "Label printing failed: print_csv.exe ended abnormally";
    QTest::newRow("hangs past the limit")
        << QByteArray("exec sleep 60\n") << 300 << int(LabelPrinter::Outcome::FinishTimedOut)
        << "Label printing failed: print_csv.exe did not finish within 300 ms and was stopped";
}

void TestLabelPrinter::print()
{
    QFETCH(QByteArray, body);
    QFETCH(int, finishTimeoutMs);
    installStandIn(body);

    LabelPrinter printer;
    QCOMPARE(printer.startTimeout(), 30000);
    QCOMPARE(printer.finishTimeout(), 30000);
    printer.setTimeouts(30000, finishTimeoutMs);
    const LabelPrinter::Result result = printer.print("03-07-2024_program_log.csv");
    QTEST(int(result.outcome), "outcome");
    QTEST(result.message, "message");
    QCOMPARE(result.ok(), result.outcome == LabelPrinter::Outcome::Printed);
    // Whatever the end, it ran in the log's directory with the label arguments.
    QTRY_COMPARE(recorded(), (QStringList{QDir(workDir.path()).canonicalPath(), "-f", "03-07-2024_program_log.csv",
                                          "-n", "1", "-p"}));
}

void TestLabelPrinter::missingProgramIsReported()
{
    const LabelPrinter::Result result = LabelPrinter().print("03-07-2024_program_log.csv");
    QCOMPARE(int(result.outcome), int(LabelPrinter::Outcome::ProgramNotFound));
    QCOMPARE(result.message,
             QString("Label printing failed: print_csv.exe was not found beside the program nor on the PATH"));

    // A file of that name that cannot be run is no label program either.
    installStandIn("exit 0\n");
    QVERIFY(QFile::setPermissions(binDir.filePath("print_csv.exe"), QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(int(LabelPrinter().print("x.csv").outcome), int(LabelPrinter::Outcome::ProgramNotFound));
}

void TestLabelPrinter::commandLine()
{
    installStandIn("exit 0\n");
    const LabelPrinter::Command c = LabelPrinter().command("11-30-2025_program_log.csv");
    QCOMPARE(c.program, QDir(binDir.path()).filePath("print_csv.exe"));
    QCOMPARE(c.arguments, (QStringList{"-f", "11-30-2025_program_log.csv", "-n", "1", "-p"}));
    QCOMPARE(c.workingDirectory, QDir::currentPath());
}

QTEST_GUILESS_MAIN(TestLabelPrinter)
#include "tst_labelprinter.moc"
