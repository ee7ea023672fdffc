#include "simusbdriver.h"

#include "simprogtool.h"

namespace {

constexpr int CMD_QUERY_DRIVER_SN = 1;
constexpr int FIRST_SET = 2;
constexpr int LAST_SET = 13;
constexpr int SET_TO_QUERY = 16; // SET_ n is read back by QUERY_ n + 16
constexpr int CMD_SET_OR_CLEAR_MODULE_OPERATION_HOUR = 12;
constexpr int CMD_QUERY_MIDNIGHT_SHIFT = 21;
constexpr int CMD_QUERY_OPERATION_TIME = 28;
constexpr int CMD_QUERY_EOL_TIME = 29;
constexpr int CMD_QUERY_FW_VERSION = 30;
constexpr int CMD_QUERY_TABLE_VERSION = 31;
constexpr int NEWER_SET_FIRST_PRODUCT = 100;
constexpr int MODULE_TIME_LENGTH = 4; // minutes, hours in 24 bits
constexpr int HOURS_LENGTH = 3;

// Block lengths of the queries both command sets have.
const QList<QPair<int, int>> COMMON_BLOCKS = {
    {18, 1}, {19, 2}, {20, 5}, {22, 6}, {23, 4}, {24, 8}, {25, 8}, {26, 5}, {27, 5}, {28, 6},
};

} // namespace

SimUsbDriver::SimUsbDriver(quint16 productIndex, bool stepFadeTimes)
    : product(productIndex)
    , fadeTimes(stepFadeTimes)
{
    for (const auto& block : COMMON_BLOCKS)
        blocks.insert(block.first, QByteArray(block.second, '\0'));
    if (newerCommandSet()) {
        blocks.insert(CMD_QUERY_MIDNIGHT_SHIFT, QByteArray(1, '\0'));
        blocks.insert(CMD_QUERY_EOL_TIME, QByteArray(fadeTimes ? 5 : 1, '\0'));
        blocks.insert(CMD_QUERY_FW_VERSION, QByteArray(2, '\0'));
        blocks.insert(CMD_QUERY_TABLE_VERSION, QByteArray(1, '\0'));
    } else {
        blocks.insert(CMD_QUERY_FW_VERSION, QByteArray(1, '\0'));
    }
}

void SimUsbDriver::attachTo(SimProgTool& tool)
{
    tool.setUsbHandler([this](const QByteArray& frame) { return answer(frame); });
}

quint16 SimUsbDriver::productIndex() const
{
    return product;
}

bool SimUsbDriver::newerCommandSet() const
{
    return product >= NEWER_SET_FIRST_PRODUCT;
}

QByteArray SimUsbDriver::setting(int queryCode) const
{
    return blocks.value(queryCode);
}

void SimUsbDriver::setSetting(int queryCode, const QByteArray& data)
{
    if (!blocks.contains(queryCode))
        return;
    QByteArray& block = blocks[queryCode];
    const int length = block.size();
    block = data.left(length);
    block.append(QByteArray(length - block.size(), '\0'));
}

quint8 SimUsbDriver::moduleMinutes() const
{
    return minutes;
}

void SimUsbDriver::setPluggedIn(bool pluggedIn)
{
    plugged = pluggedIn;
}

bool SimUsbDriver::isPluggedIn() const
{
    return plugged;
}

void SimUsbDriver::injectFault(Fault fault, int command, int times)
{
    faults.append(PendingFault{fault, command, times});
}

void SimUsbDriver::clearFaults()
{
    faults.clear();
}

QList<int> SimUsbDriver::commandLog() const
{
    return commands;
}

void SimUsbDriver::clearCommandLog()
{
    commands.clear();
}

bool SimUsbDriver::takeFault(int command, Fault* fault)
{
    const bool setCommand = command >= FIRST_SET && command <= LAST_SET;
    for (int i = 0; i < faults.size(); ++i) {
        PendingFault& f = faults[i];
        if (f.command != ANY_COMMAND && f.command != command)
            continue;
        if (f.fault == Fault::WrongAck && !setCommand)
            continue;
        *fault = f.fault;
        if (--f.times <= 0)
            faults.removeAt(i);
        return true;
    }
    return false;
}

QByteArray SimUsbDriver::answer(const QByteArray& frame)
{
    if (!plugged || frame.size() < 2)
        return QByteArray();
    const int command = quint8(frame.at(0));
    const QByteArray data = frame.mid(2, quint8(frame.at(1)));
    commands.append(command);

    Fault fault;
    const bool faulty = takeFault(command, &fault);
    if (faulty && fault == Fault::NoAnswer)
        return QByteArray();
    if (faulty && fault == Fault::WrongAck)
        return SimProgTool::usbFrame(quint8(command), QByteArray(1, char(NAK)));

    QByteArray reply = normalAnswer(command, data);
    if (!faulty)
        return SimProgTool::usbFrame(quint8(command), reply);
    switch (fault) {
    case Fault::BadCrc: {
        QByteArray out = SimProgTool::usbFrame(quint8(command), reply);
        out[out.size() - 1] = char(out.at(out.size() - 1) ^ 0xFF);
        return out;
    }
    case Fault::WrongCommand:
        return SimProgTool::usbFrame(quint8(command + 1), reply);
    case Fault::ShortAnswer:
        reply.chop(1);
        return SimProgTool::usbFrame(quint8(command), reply);
    default:
        return SimProgTool::usbFrame(quint8(command), reply);
    }
}

// The answer's data; a SET_ is carried out here.
QByteArray SimUsbDriver::normalAnswer(int command, const QByteArray& data)
{
    if (command == CMD_QUERY_DRIVER_SN) {
        QByteArray sn;
        sn.append(char(product >> 8));
        sn.append(char(product & 0xFF));
        return sn;
    }
    if (blocks.contains(command))
        return blocks.value(command);

    const QByteArray ack(1, char(ACK));
    const QByteArray refused(1, char(NAK));
    if (command == CMD_SET_OR_CLEAR_MODULE_OPERATION_HOUR) {
        QByteArray& time = blocks[CMD_QUERY_OPERATION_TIME];
        if (data.isEmpty()) {
            minutes = 0;
            time.replace(0, HOURS_LENGTH, QByteArray(HOURS_LENGTH, '\0'));
            return ack;
        }
        if (data.size() != MODULE_TIME_LENGTH)
            return refused;
        minutes = quint8(data.at(0));
        time.replace(0, HOURS_LENGTH, data.mid(1));
        return ack;
    }
    if (command >= FIRST_SET && command <= LAST_SET && blocks.contains(command + SET_TO_QUERY)) {
        QByteArray& block = blocks[command + SET_TO_QUERY];
        if (data.size() != block.size())
            return refused;
        block = data;
        return ack;
    }
    return QByteArray(); // a command this driver does not know
}
