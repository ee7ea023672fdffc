#include "labelprinter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

const char LabelPrinter::PROGRAM_NAME[] = "print_csv.exe";

namespace {

// A killed process is gone at once; the wait only collects it.
constexpr int KILL_WAIT_MS = 1000;

QStringList labelArguments(const QString& logFileName)
{
    // One label per call, printed at once.
    return {QStringLiteral("-f"), logFileName, QStringLiteral("-n"), QStringLiteral("1"), QStringLiteral("-p")};
}

#ifndef Q_OS_WIN
QString findLabelProgram()
{
    const QString name = QString::fromLatin1(LabelPrinter::PROGRAM_NAME);
    if (QCoreApplication::instance()) {
        const QFileInfo beside(QDir(QCoreApplication::applicationDirPath()).filePath(name));
        if (beside.isFile() && beside.isExecutable())
            return beside.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(name);
}
#endif

QString failure(const QString& what)
{
    return QStringLiteral("Label printing failed: %1 %2").arg(QString::fromLatin1(LabelPrinter::PROGRAM_NAME), what);
}

} // namespace

void LabelPrinter::setTimeouts(int startTimeoutMs, int finishTimeoutMs)
{
    startMs = startTimeoutMs;
    finishMs = finishTimeoutMs;
}

LabelPrinter::Command LabelPrinter::command(const QString& logFileName) const
{
    Command c;
    c.workingDirectory = QDir::currentPath();
#ifdef Q_OS_WIN
    c.program = QStringLiteral("cmd");
    c.arguments = QStringList{QStringLiteral("/c"), QString::fromLatin1(PROGRAM_NAME)} + labelArguments(logFileName);
#else
    c.program = findLabelProgram();
    c.arguments = labelArguments(logFileName);
#endif
    return c;
}

LabelPrinter::Result LabelPrinter::print(const QString& logFileName) const
{
    Result result;
    const Command c = command(logFileName);
    if (c.program.isEmpty()) {
        result.outcome = Outcome::ProgramNotFound;
        result.message = failure(QStringLiteral("was not found beside the program nor on the PATH"));
        return result;
    }

    QProcess process;
    process.setProgram(c.program);
    process.setArguments(c.arguments);
    process.setWorkingDirectory(c.workingDirectory);
    process.start(QIODevice::ReadWrite);
    if (!process.waitForStarted(startMs)) {
        if (process.error() == QProcess::Timedout) {
            result.outcome = Outcome::StartTimedOut;
            result.message = failure(QStringLiteral("did not start within %1 ms").arg(startMs));
        } else {
            result.outcome = Outcome::StartFailed;
            result.message = failure(QStringLiteral("could not be started (%1)").arg(process.errorString()));
        }
        return result;
    }
    // A program that ended before the wait began also makes the wait return false.
    if (!process.waitForFinished(finishMs) && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(KILL_WAIT_MS);
        result.outcome = Outcome::FinishTimedOut;
        result.message = failure(QStringLiteral("did not finish within %1 ms and was stopped").arg(finishMs));
        return result;
    }
    if (process.exitStatus() == QProcess::CrashExit) {
        result.outcome = Outcome::Crashed;
        result.message = failure(QStringLiteral("ended abnormally"));
        return result;
    }
    result.exitCode = process.exitCode();
    if (result.exitCode != 0) {
        result.outcome = Outcome::ExitCode;
        result.message = failure(QStringLiteral("ended with exit code %1").arg(result.exitCode));
    }
    return result;
}
