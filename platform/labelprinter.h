#ifndef LABELPRINTER_H
#define LABELPRINTER_H

#include <QString>
#include <QStringList>

// Prints the label of a programmed driver by running the external label program on the day's
// programming log:
//     cmd /c print_csv.exe -f <log file> -n 1 -p
// On Windows exactly that line goes through the command interpreter. Elsewhere there is no
// command interpreter to lean on: the label program is looked for beside the application, then on
// the PATH, and started directly with the same arguments. Either way it runs in the process's
// working directory, where the log file lies, and print() blocks until it has ended or its time
// is up; a program still running then is killed.
class LabelPrinter
{
public:
    enum class Outcome {
        Printed,         // started and ended with exit code 0
        ProgramNotFound, // no label program beside the application nor on the PATH
        StartFailed,     // the program could not be started
        StartTimedOut,   // not started within the start limit
        Crashed,         // ended abnormally
        ExitCode,        // ended with a non-zero exit code
        FinishTimedOut,  // still running at the end of the finish limit, killed
    };

    struct Result
    {
        Outcome outcome = Outcome::Printed;
        int exitCode = 0;
        QString message; // what went wrong, for the operator; empty when printed
        bool ok() const { return outcome == Outcome::Printed; }
    };

    struct Command
    {
        QString program; // empty when the label program cannot be found
        QStringList arguments;
        QString workingDirectory;
    };

    static const char PROGRAM_NAME[]; // "print_csv.exe"
    // A label printer that does not answer must not hold production forever, yet a slow spooler
    // gets the same generous time for its start and for its end.
    static constexpr int START_TIMEOUT_MS = 30000;
    static constexpr int FINISH_TIMEOUT_MS = 30000;

    LabelPrinter() = default;

    void setTimeouts(int startMs, int finishMs);
    int startTimeout() const { return startMs; }
    int finishTimeout() const { return finishMs; }

    // What print() would run for the log file (a file name relative to the working directory).
    Command command(const QString& logFileName) const;
    Result print(const QString& logFileName) const;

private:
    int startMs = START_TIMEOUT_MS;
    int finishMs = FINISH_TIMEOUT_MS;
};

#endif // LABELPRINTER_H
