#include "stdouttrace.h"

QTextStream& stdoutTrace()
{
    static QTextStream stream(stdout);
    return stream;
}
