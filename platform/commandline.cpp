#include "commandline.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

const QChar quote(QLatin1Char('"'));
const QChar backslash(QLatin1Char('\\'));

QByteArray toAnsi(const QString& s)
{
#ifdef Q_OS_WIN
    if (s.isEmpty())
        return QByteArray();
    const auto* wide = reinterpret_cast<const wchar_t*>(s.utf16());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, s.size(), nullptr, 0, nullptr, nullptr);
    QByteArray out(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, s.size(), out.data(), size, nullptr, nullptr);
    return out;
#else
    return s.toLocal8Bit();
#endif
}

} // namespace

QStringList splitWindowsCommandLine(const QString& line)
{
    QStringList args;
    const int n = line.size();
    if (n == 0)
        return args;

    int i = 0;
    QString program;
    if (line[0] == quote) {
        for (i = 1; i < n && line[i] != quote; ++i)
            program += line[i];
        if (i < n)
            ++i; // the closing quote
    } else {
        for (; i < n && !isBlank(line[i]); ++i)
            program += line[i];
    }
    args << program;

    while (i < n && isBlank(line[i]))
        ++i;
    if (i == n)
        return args;

    QString current;
    int quotes = 0; // 0 outside quotes; 1 inside; 2 transiently while a run of quotes is counted
    int backslashes = 0;
    while (i < n) {
        const QChar c = line[i];
        if (isBlank(c) && quotes == 0) {
            args << current;
            current.clear();
            backslashes = 0;
            while (i < n && isBlank(line[i]))
                ++i;
            if (i == n)
                return args;
        } else if (c == backslash) {
            current += c;
            ++backslashes;
            ++i;
        } else if (c == quote) {
            if (backslashes % 2 == 0) {
                current.chop(backslashes / 2);
                ++quotes;
            } else {
                current.chop(backslashes / 2 + 1);
                current += quote;
            }
            backslashes = 0;
            for (++i; i < n && line[i] == quote; ++i) {
                if (++quotes == 3) {
                    current += quote;
                    quotes = 0;
                }
            }
            if (quotes == 2)
                quotes = 0;
        } else {
            current += c;
            backslashes = 0;
            ++i;
        }
    }
    args << current;
    return args;
}

ProcessArguments::ProcessArguments(const QStringList& arguments)
{
    for (const QString& a : arguments)
        bytes.append(toAnsi(a));
    for (QByteArray& b : bytes)
        pointers.push_back(b.data());
    pointers.push_back(nullptr);
    count = int(bytes.size());
}

#ifdef Q_OS_WIN
ProcessArguments ProcessArguments::fromWindowsCommandLine()
{
    const QString line = QString::fromWCharArray(GetCommandLineW());
    QStringList args = splitWindowsCommandLine(line);
    if (args.isEmpty()) {
        wchar_t path[MAX_PATH + 1] = {};
        const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
        args << QString::fromWCharArray(path, int(length));
    }
    return ProcessArguments(args);
}
#endif
