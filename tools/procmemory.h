#ifndef PROCMEMORY_H
#define PROCMEMORY_H

// What this process holds, as Linux reports it: the memory figures of the benchmarks and tests
// that load files through the window.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <malloc.h>

// A status line of this process in kB ("VmRSS", "VmHWM"), 0 where /proc is not there.
inline qint64 statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Starts the peak (VmHWM) anew at what the process holds now, with what was freed before handed
// back first, so that an earlier allocation can neither hide nor inflate the next one's.
inline void resetPeakMemory()
{
    malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

#endif // PROCMEMORY_H
