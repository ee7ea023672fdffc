#include "serialcommunication.h"

#include "bootframe.h"
#include "daliframe.h"
#include "usbframe.h"

#include <QTimer>

namespace {

// Request timing: read time from the first answer byte, wait time (the transaction waits four
// times as long for the first byte).
constexpr int DALI_READ_TIME = 40;
constexpr int DALI_WAIT_TIME = 1000;
constexpr int DALI_REPEAT_READ_TIME = 40;
constexpr int DALI_REPEAT_WAIT_TIME = 100;
constexpr int IPROG_READ_TIME = 180;
constexpr int IPROG_WAIT_TIME = 400;
// The enter-boot answer is taken as soon as its first chunk is in: the boot loader repeats
// the frame on every answer while the user switches the driver on.
constexpr int BOOT_ENTER_READ_TIME = 0;
constexpr int BOOT_READ_TIME = 100;
constexpr int BOOT_WAIT_TIME = 3000;
constexpr int BOOT_COMMAND_OFFSET = 2;

// Tool detection.
constexpr int PROBE_READ_TIME = 40;
constexpr int PROBE_WAIT_TIME = 100;
constexpr int VCP_DALI_PROBE_WAIT_TIME = 1000;
constexpr int TOOL_BAUD_RATE = 19200;
// The USB programming tool behind an FTDI adapter runs at 1200 baud.
constexpr int IPROG_FTDI_BAUD_RATE = 1200;
const char FTDI_MANUFACTURER[] = "FTDI";
constexpr quint16 FTDI_VENDOR_ID = 0x0403;
constexpr quint16 FTDI_PRODUCT_ID = 0x6001;
constexpr quint16 VCP_VENDOR_ID = 0x0483;
constexpr quint16 VCP_PRODUCT_ID = 0x5740;

// ENABLE DEVICE TYPE 0, send once: harmless on any DALI bus, and the DALI tool answers it.
QByteArray daliToolProbe()
{
    return QByteArray::fromHex("c10001");
}

// Tool frames in the boot frame format: FA, length, FE, payload, sum.
QByteArray vcpDaliToolProbe()
{
    return QByteArray::fromHex("fa05fe0300");
}

QByteArray vcpiProgToolProbe()
{
    return QByteArray::fromHex("fa06fe0100ff");
}

bool isFtdiPort(const ToolPortInfo& info)
{
    return info.manufacturer == QLatin1String(FTDI_MANUFACTURER) && info.vendorIdentifier == FTDI_VENDOR_ID
           && info.productIdentifier == FTDI_PRODUCT_ID;
}

bool isVirtualComPort(const ToolPortInfo& info)
{
    return info.vendorIdentifier == VCP_VENDOR_ID && info.productIdentifier == VCP_PRODUCT_ID;
}

bool isToolPort(const ToolPortInfo& info)
{
    return isFtdiPort(info) || isVirtualComPort(info);
}

} // namespace

SerialCommunication::SerialCommunication(QObject* parent)
    : QObject(parent)
{
    connect(&serialTransaction, &SerialTransaction::serialResponse, this, &SerialCommunication::showResponse);
    connect(&serialTransaction, &SerialTransaction::serialError, this, &SerialCommunication::processError);
    connect(&serialTransaction, &SerialTransaction::serialTimeout, this, &SerialCommunication::processTimeout);
}

void SerialCommunication::setWorkMode(int mode)
{
    workMode = mode;
}

void SerialCommunication::setCommandTable(int mode)
{
    dtMode = mode;
    if (mode == 0)
        commandNames = dt6CommandNames;
    else if (mode == 1)
        commandNames = dt8CommandNames;
    commandNumbers.clear();
    for (const QString& name : qAsConst(commandNames))
        commandNumbers.append(name.left(4).trimmed().toInt()); // 0 when not a number
}

void SerialCommunication::buildCommandTables()
{
    dt6CommandNames.append(dt6CommandNameList());
    dt8CommandNames.append(dt8CommandNameList());
    setCommandTable(0);
    iProgCommandNames.append(iProgCommandNameList());
}

QString SerialCommunication::daliCommandName(int cmd) const
{
    const int index = commandNumbers.indexOf(cmd);
    if (index >= 0 && index < commandNames.size())
        return commandNames.at(index);
    if (commandNames.isEmpty())
        return QString::number(cmd);
    return commandNames.first();
}

QByteArray SerialCommunication::daliRequest() const
{
    QByteArray request;
    for (int value : daliFrame)
        request.append(char(value & 0xFF));
    return request;
}

bool SerialCommunication::acceptRequest(int sender)
{
    // An engine that is not switched on could only take the line from the one that is: its
    // answer would be dropped, and the exchange it replaced would never end.
    if (sender != workMode) {
        emit debug_msg(
            QStringLiteral("Request of sender %1 not sent: the line serves sender %2").arg(sender).arg(workMode));
        return false;
    }
    senderId = sender;
    ++lineUse;
    if (detecting) {
        // Reported at once, as a lost port is: the sender treats it as the tool not being there,
        // with no retry that could come back here inside its own emit.
        emit debug_msg(QStringLiteral("Request of sender %1 not sent: looking for the tool").arg(sender));
        emit communicateError(COMM_ERR_NO_TOOL);
        return false;
    }
    return true;
}

void SerialCommunication::refuseRequest(const QString& reason)
{
    // The sender moved on from whatever it had in flight; while the detection owns the line
    // the exchange in flight is its probe and stays.
    if (connected) {
        serialTransaction.abandon();
        exchangeOpen = false;
    }
    if (!reason.isEmpty())
        emit debug_msg(reason);
    // The sender waits for an outcome like for any request. It comes on the next turn of the
    // event loop, as an answer or a time-out would: the sender is still inside its own
    // sendCommand emit and settles its state after it.
    const quint64 refused = lineUse;
    QTimer::singleShot(0, this, [this, refused] {
        if (refused == lineUse && senderId == workMode)
            emit communicateError(COMM_ERR_TIMEOUT);
    });
}

void SerialCommunication::sendDaliCommand(int cmd, int addr, int para, int sender)
{
    if (!acceptRequest(sender))
        return;
    if (cmd == -1 || addr == -1) {
        refuseRequest(QString());
        return;
    }
    int frame[3];
    if (!encodeDaliFrame(dtMode, cmd, addr, para, frame)) {
        refuseRequest(QStringLiteral("Dali command %1 has no frame, nothing sent").arg(cmd));
        return;
    }
    std::copy(frame, frame + 3, daliFrame);
    emit debug_msg(QStringLiteral("Send dali command: ") + daliCommandName(cmd) + QStringLiteral("  Data:")
                   + QString::number(para));
    startExchange(daliRequest(), DALI_READ_TIME, DALI_WAIT_TIME);
}

void SerialCommunication::sendiProgCommand(int cmd, QByteArray data, int sender)
{
    if (!acceptRequest(sender))
        return;
    QByteArray frame;
    if (!buildiProgFrame(cmd, data, &frame)) {
        refuseRequest(QStringLiteral("iprog command %1 not sent: %2 data bytes, at most %3 fit in a frame")
                          .arg(cmd)
                          .arg(data.size())
                          .arg(IPROG_MAX_DATA_LENGTH));
        return;
    }
    startExchange(frame, IPROG_READ_TIME, IPROG_WAIT_TIME);
    if (cmd >= 0 && cmd < iProgCommandNames.size())
        emit debug_msg(QStringLiteral("Send iprog command: ") + iProgCommandNames.at(cmd));
    else
        emit debug_msg(QStringLiteral("Send iprog command: unknown command %1").arg(cmd));
    emit debug_msg(QStringLiteral("Send data: 0x") + QString::fromLatin1(frame.toHex()));
}

void SerialCommunication::sendBootCommand(QByteArray cmd_data)
{
    if (!acceptRequest(SENDER_BOOT))
        return;
    if (cmd_data.isEmpty()) {
        refuseRequest(QStringLiteral("Boot frame is empty, nothing sent"));
        return;
    }
    const bool enterBoot = cmd_data.size() > BOOT_COMMAND_OFFSET
                           && quint8(cmd_data.at(BOOT_COMMAND_OFFSET)) == BOOT_CMD_ENTER;
    startExchange(cmd_data, enterBoot ? BOOT_ENTER_READ_TIME : BOOT_READ_TIME, BOOT_WAIT_TIME);
}

void SerialCommunication::startExchange(const QByteArray& request, int readTime, int waitTime)
{
    exchangeOpen = true;
    serialTransaction.transaction(request, readTime, waitTime);
}

void SerialCommunication::showResponse(QByteArray s)
{
    exchangeOpen = false;
    emit debug_msg(QStringLiteral("UART response data: ") + QString::fromLatin1(s.toHex()));
    if (connected) {
        // The rest of an answer cut short may still be on its way: whatever the sender does next
        // (a retry, the repeat of a send-twice frame), it must not be answered by that rest.
        const bool daliSender = senderId >= SENDER_DALI_CONSOLE && senderId <= SENDER_DALI_POWER_MONITOR;
        // An answer of another length was cut short by the read time or ran into a late tail.
        if (daliSender && s.size() != DALI_ANSWER_SHORT_LENGTH && s.size() != DALI_ANSWER_LONG_LENGTH)
            serialTransaction.letLineFallQuiet();
        if (workMode == senderId && !resendIfSendTwice(s)) {
            emit commandResponse(s);
            emit commandSendComplete();
        }
        return;
    }
    // Detection: only the port that was probed can vouch for a tool.
    if (!s.isEmpty() && !probedPort.isEmpty() && serialTransaction.portName() == probedPort)
        answered = true;
}

bool SerialCommunication::resendIfSendTwice(QByteArray s)
{
    // Only the three DALI engines send DALI frames; a boot or USB tool answer says nothing
    // about the last DALI frame.
    if (senderId < SENDER_DALI_CONSOLE || senderId > SENDER_DALI_POWER_MONITOR)
        return false;
    // A send-twice frame the tool acknowledged goes out once more.
    if (s.isEmpty() || s.at(0) != DALI_ANSWER_OK || daliFrame[2] != DALI_FRAME_SEND_TWICE)
        return false;
    daliFrame[2] = DALI_FRAME_SEND_ONCE;
    startExchange(daliRequest(), DALI_REPEAT_READ_TIME, DALI_REPEAT_WAIT_TIME);
    return true;
}

void SerialCommunication::processError(QString s)
{
    // A port that hangs up with nothing in flight while the detection owns the line is a probed
    // port, not the tool: nobody waits for an outcome, and there is no tool to lose.
    const bool reported = connected || exchangeOpen;
    exchangeOpen = false;
    forgetProbe();
    connected = false;
    detecting = false;
    if (reported)
        emit communicateError(COMM_ERR_PORT);
    emit debug_msg(s);
}

void SerialCommunication::processTimeout(QString s)
{
    exchangeOpen = false;
    emit communicateError(COMM_ERR_TIMEOUT);
    emit debug_msg(s);
}

void SerialCommunication::forgetProbe()
{
    probeStep = 0;
    answered = false;
    probedPort.clear();
}

bool SerialCommunication::openForDetection(const ToolPortInfo& info, int baudRate)
{
    portInfo = info;
    if (serialTransaction.tryOpenPort(info.portName, baudRate))
        return true;
    // A busy or vanished port is passed over; it is no reason to stop looking at the others or to
    // raise a port error on every detection tick.
    emit debug_msg(QStringLiteral("Can't open serial port %1, error code %2, skipped")
                       .arg(info.portName)
                       .arg(serialTransaction.portError()));
    return false;
}

bool SerialCommunication::checkToolPort(int kind)
{
    connected = false;
    detecting = true;
    ++lineUse; // the detection takes the line over; the window tells the engines the tool state
    if (kind != lastToolKind) {
        lastToolKind = kind;
        forgetProbe();
    }
    const QList<ToolPortInfo> ports = portLister ? portLister() : providedToolPorts();

    // The port the previous pass probed is judged first, by its answer or its silence.
    int judged = -1;
    bool judgedWaits = false; // the judged port sits this pass out
    if (!probedPort.isEmpty()) {
        const QString name = probedPort;
        const bool heard = answered;
        forgetProbe();
        for (int i = 0; i < ports.size(); ++i) {
            if (ports.at(i).portName == name && isToolPort(ports.at(i))) {
                judged = i;
                break;
            }
        }
        if (judged >= 0) {
            const ToolPortInfo& info = ports.at(judged);
            const bool ftdi = isFtdiPort(info);
            const bool opened = openForDetection(info, TOOL_BAUD_RATE);
            judgedWaits = ftdi || !opened;
            if (opened) {
                bool taken;
                if (!ftdi)
                    taken = heard;
                else if (heard)
                    taken = kind == TOOL_KIND_DALI; // the DALI tool answers the DALI probe, the USB tool does not
                else
                    taken = kind == TOOL_KIND_IPROG && openForDetection(info, IPROG_FTDI_BAUD_RATE);
                if (taken) {
                    connected = true;
                    detecting = false;
                    return true;
                }
            }
        }
    }

    // Then the next port in list order is probed, wrapping round so every port gets its turn.
    // A probe ends the pass: the probed port has to stay open to hear the answer. An FTDI port
    // just judged waits one pass before its next probe; a virtual COM port is probed every pass.
    const int count = ports.size();
    for (int step = 1; step <= count; ++step) {
        const int index = (judged + step) % count;
        if (index == judged && judgedWaits)
            break;
        const ToolPortInfo& info = ports.at(index);
        QByteArray probe;
        int waitTime = PROBE_WAIT_TIME;
        if (isFtdiPort(info)) {
            probe = daliToolProbe();
        } else if (isVirtualComPort(info)) {
            if (kind == TOOL_KIND_IPROG) {
                probe = vcpiProgToolProbe();
            } else if (kind == TOOL_KIND_DALI) {
                probe = vcpDaliToolProbe();
                waitTime = VCP_DALI_PROBE_WAIT_TIME;
            }
        } else {
            continue;
        }
        if (!openForDetection(info, TOOL_BAUD_RATE) || probe.isEmpty())
            continue;
        probedPort = info.portName;
        probeStep = 1;
        answered = false; // only an answer to this probe counts
        startExchange(probe, PROBE_READ_TIME, waitTime);
        return false;
    }
    return false;
}

void SerialCommunication::setPortLister(ToolPortLister lister)
{
    portLister = std::move(lister);
}

std::array<int, 3> SerialCommunication::lastDaliFrame() const
{
    return {daliFrame[0], daliFrame[1], daliFrame[2]};
}

const QStringList& SerialCommunication::currentCommandNames() const
{
    return commandNames;
}

const QList<int>& SerialCommunication::currentCommandNumbers() const
{
    return commandNumbers;
}

const QStringList& SerialCommunication::iProgCommandNameTable() const
{
    return iProgCommandNames;
}

int SerialCommunication::currentWorkMode() const
{
    return workMode;
}

int SerialCommunication::lastSenderId() const
{
    return senderId;
}

int SerialCommunication::currentDtMode() const
{
    return dtMode;
}

bool SerialCommunication::isToolConnected() const
{
    return connected;
}

ToolPortInfo SerialCommunication::matchedPort() const
{
    return portInfo;
}

const SerialTransaction& SerialCommunication::transactionEngine() const
{
    return serialTransaction;
}
