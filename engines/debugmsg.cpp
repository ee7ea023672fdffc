#include "debugmsg.h"

#include <QFile>
#include <QTextStream>

namespace {
// One file and stream for the whole process, whichever DebugMsg object writes.
QFile debugFile(QStringLiteral("debug_msg.txt"));
QTextStream debugStream;
int debugMessageCount = 0;
} // namespace

DebugMsg::DebugMsg(QObject* parent) : QObject(parent)
{
    if (debugFile.isOpen())
        debugFile.close();
    // A failed open is not reported: the program runs on without a log.
    debugFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
    debugStream.setDevice(&debugFile);
}

void DebugMsg::print_debug_msg(QString msg)
{
    if (debugMessageCount >= MAX_MESSAGES)
        return;
    ++debugMessageCount;
    if (!debugFile.isOpen())
        return;
    debugStream << msg << "\n";
    // The log is what an operator sends back after a crash, so nothing may wait in a buffer.
    debugStream.flush();
}
