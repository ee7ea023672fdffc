#ifndef STDOUTTRACE_H
#define STDOUTTRACE_H

#include <QTextStream>

// The one stream of the lines the window and the engines also write to standard output, for a
// bench operator who started the program from a console; a line ends with Qt::endl, which
// flushes it at once.
QTextStream& stdoutTrace();

#endif // STDOUTTRACE_H
