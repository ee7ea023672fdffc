#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

// Splits a Windows command line into arguments the way the shell's CommandLineToArgvW does:
// - the first argument (the program) ends at the first blank, or, when the line starts with a
//   quote, at the next quote; backslashes mean nothing in it;
// - the others are separated by blanks and tabs outside quotes;
// - 2n backslashes before a quote give n backslashes and the quote opens or closes quoting;
//   2n+1 backslashes before a quote give n backslashes and a literal quote; backslashes not
//   followed by a quote are kept as they are;
// - inside quotes a run of quotes counts in threes together with the quote that opened: every
//   third one is a literal quote and quoting ends after the run unless the count left is 1.
// An empty line gives no arguments (Windows puts the program's path in its place).
QStringList splitWindowsCommandLine(const QString& commandLine);

// argc/argv for QApplication, built from wide arguments converted to the ANSI code page (the
// local 8-bit encoding elsewhere). Owns the bytes, so it must outlive the application object;
// argv[argc] is a null pointer.
class ProcessArguments
{
public:
    explicit ProcessArguments(const QStringList& arguments);
    ProcessArguments(const ProcessArguments&) = delete;
    ProcessArguments& operator=(const ProcessArguments&) = delete;

    int& argc() { return count; }
    char** argv() { return pointers.data(); }

#ifdef Q_OS_WIN
    // The arguments of this process from its wide command line.
    static ProcessArguments fromWindowsCommandLine();
#endif

private:
    QList<QByteArray> bytes;
    std::vector<char*> pointers;
    int count = 0;
};

#endif // COMMANDLINE_H
