#include "daliconsole.h"

#include "commerror.h"
#include "daliframe.h"
#include "serialcommunication.h"

#include <QTimer>

namespace {

// Address bytes as the console takes them: a short or group address with the selector bit either
// way (the encoder sets or clears it for the command), broadcast with it clear or set.
constexpr int DALI_ADDR_SHORT_RANGE_LAST = DALI_ADDR_SHORT_LAST | 0x01;
constexpr int DALI_ADDR_GROUP_RANGE_LAST = (DALI_ADDR_GROUP_FIRST + 2 * DALI_GROUP_ADDRESS_LAST) | 0x01;
constexpr int DALI_ADDR_BROADCAST_COMMAND = 0xFF;

bool isAddressedCommand(int cmd)
{
    return (cmd >= 0 && cmd <= 255) || cmd == DALI_CMD_DAPC;
}

bool isValidAddress(int addr)
{
    // 0xA0..0xFD are the special command bytes: an address there would turn a plain command
    // into INITIALISE, RANDOMISE and the like.
    return (addr >= 0 && addr <= DALI_ADDR_SHORT_RANGE_LAST)
           || (addr >= DALI_ADDR_GROUP_FIRST && addr <= DALI_ADDR_GROUP_RANGE_LAST)
           || addr == DALI_ADDR_BROADCAST || addr == DALI_ADDR_BROADCAST_COMMAND;
}

// Why a command cannot go on the bus as given; empty when it can.
QString refusalReason(int dtMode, int cmd, int addr, int para)
{
    // Only the set the link encodes with counts: a number framed in the other set alone would
    // be dropped by the link, and a run would wait for a completion that never comes.
    int frame[3];
    if (!encodeDaliFrame(dtMode, cmd, addr, para, frame))
        return QString("no DALI frame for command %1").arg(cmd);
    if (addr == -1 || (isAddressedCommand(cmd) && !isValidAddress(addr)))
        return QString("address %1 out of range").arg(addr);
    if (daliCommandHasParameter(dtMode, cmd) && (para < 0 || para > DALI_DATA_BYTE_MAX))
        return QString("data %1 out of range").arg(para);
    return QString();
}

} // namespace

DaliConsole::DaliConsole(QObject* parent) : QObject(parent), delayTimer(new QTimer(this))
{
    delayTimer->setSingleShot(true);
    // A coarse timer may fire up to 5 % early; a delay the user entered is a minimum (a fade or
    // a driver's start-up must be over before the next command goes out).
    delayTimer->setTimerType(Qt::PreciseTimer);
    connect(delayTimer, &QTimer::timeout, this, &DaliConsole::sendNextCmd);
}

DaliConsole::~DaliConsole() = default;

void DaliConsole::setEnabled(int enable)
{
    enabled = enable != 0;
    if (!enabled)
        awaitingOutcome = false;
    // Switched off, the console leaves the line to the engine switched on: an item whose delay
    // is running is dropped, not sent into that engine's exchange. The index still points at it,
    // so a run stopped and started again goes on with it.
    if (!enabled)
        delayTimer->stop();
}

void DaliConsole::setDtMode(int mode)
{
    dtMode = mode;
}

void DaliConsole::setLoop(int loop)
{
    loopEnabled = loop != 0;
}

void DaliConsole::setMode(int mode)
{
    consoleMode = mode;
}

int DaliConsole::mode() const
{
    return consoleMode;
}

void DaliConsole::setSingleCommand(int cmd, int addr, int para)
{
    singleCmd = cmd;
    singleAddr = addr;
    singlePara = para;
}

int DaliConsole::currentIndex() const
{
    return nextIndex;
}

void DaliConsole::setCurrentIndex(int index)
{
    nextIndex = index;
}

void DaliConsole::clearCmdSequence()
{
    cmdSequence.clear();
}

void DaliConsole::addCmdSequenceItem(int cmd, int addr, int para, int delay)
{
    cmdSequence.append(CmdSeqItemDef{cmd, para, addr, delay});
}

void DaliConsole::send()
{
    if (!enabled)
        return;
    switch (consoleMode) {
    case CONSOLE_MODE_SINGLE:
        emitCommand(singleCmd, singleAddr, singlePara);
        break;
    case CONSOLE_MODE_RUN:
        continueSequence();
        break;
    case CONSOLE_MODE_STEP:
        scheduleNextCmd();
        break;
    default:
        break;
    }
}

void DaliConsole::stop()
{
    consoleMode = CONSOLE_MODE_SINGLE;
    awaitingOutcome = false;
    delayTimer->stop();
}

void DaliConsole::sendDaliConsoleCmdSequence()
{
    if (!enabled)
        return;
    awaitingOutcome = false;
    continueSequence();
}

void DaliConsole::processCommError(int err_type)
{
    // The link also reports probes of the tool detection; only an outcome of our own command
    // counts, and a port error, which is the tool gone also while a run waits out an item's delay.
    if (!enabled || (!awaitingOutcome && err_type != COMM_ERR_PORT))
        return;
    awaitingOutcome = false;
    if (err_type == COMM_ERR_NO_TOOL) {
        // Nothing went out, so nothing is shown as answered; a run cannot go on until the tool
        // is found.
        turnedAway = true;
        const bool sequenceItem = consoleMode != CONSOLE_MODE_SINGLE;
        const bool running = consoleMode == CONSOLE_MODE_RUN;
        stop();
        if (running)
            emit cmdSeqFinish();
        emit commandNotSent(sequenceItem);
        return;
    }
    if (err_type == COMM_ERR_TIMEOUT) {
        // Nothing came back: shown as an answer without data, and a run goes on as after an
        // answer instead of waiting for a completion that will never come.
        emit displayConsoleResponse(QByteArray());
        continueSequence();
        return;
    }
    // The tool is gone: a run cannot go on, and the tab offers Start again.
    const bool running = consoleMode == CONSOLE_MODE_RUN;
    stop();
    if (running)
        emit cmdSeqFinish();
}

void DaliConsole::daliConsoleCommandResponse(QByteArray data)
{
    if (enabled)
        emit displayConsoleResponse(data);
}

void DaliConsole::continueSequence()
{
    if (consoleMode != CONSOLE_MODE_RUN && consoleMode != CONSOLE_MODE_STEP)
        return;

    if (nextIndex <= cmdSequence.size()) {
        if (consoleMode == CONSOLE_MODE_RUN)
            scheduleNextCmd();
        return;
    }

    nextIndex = 1;
    if (loopEnabled) {
        if (consoleMode == CONSOLE_MODE_RUN)
            scheduleNextCmd();
    } else {
        emit cmdSeqFinish();
    }
}

void DaliConsole::scheduleNextCmd()
{
    if (cmdSequence.isEmpty()) {
        // Nothing to send means no completion will ever come: end a run here so the tab does
        // not wait for one.
        if (consoleMode == CONSOLE_MODE_RUN)
            emit cmdSeqFinish();
        return;
    }
    // The tab sets index 0 when no row is selected; the user then means the first item.
    if (nextIndex < 1 || nextIndex > cmdSequence.size())
        nextIndex = 1;

    const CmdSeqItemDef& item = cmdSequence.at(nextIndex - 1);
    if (item.delayMs < 1) {
        sendNextCmd();
        return;
    }
    // A pending delay already sends the next item when it expires; restarting it would let a
    // fast second step push the command out later and later.
    if (!delayTimer->isActive())
        delayTimer->start(item.delayMs);
}

void DaliConsole::sendNextCmd()
{
    // The list may have been rebuilt or the row selection cleared while a delay ran.
    if (cmdSequence.isEmpty() || nextIndex > cmdSequence.size())
        return;
    if (nextIndex < 1)
        nextIndex = 1;

    const CmdSeqItemDef& item = cmdSequence.at(nextIndex - 1);
    emitCommand(item.cmd, item.addr, item.para);
    emit displayCmdSequenceItem(nextIndex - 1);
    // The tab's row selection, run inside the emit above, sets the index to the row just sent;
    // only now may it move on, or the same item would go out again and again. An item the link
    // turned away was not sent: its row stays selected as the next one to send.
    if (!turnedAway)
        ++nextIndex;
}

void DaliConsole::emitCommand(int cmd, int addr, int para)
{
    turnedAway = false;
    const QString reason = refusalReason(dtMode, cmd, addr, para);
    if (!reason.isEmpty()) {
        emit debug_msg("DALI console: nothing sent, " + reason);
        return;
    }
    awaitingOutcome = true;
    emit sendCommand(cmd, addr, para, SENDER_DALI_CONSOLE);
}
