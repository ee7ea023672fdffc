#include "simprogtool.h"

#include "ptypair.h"
#include "simdalibus.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <unistd.h>

namespace {

constexpr quint8 BOOT_FRAME_START = 0xFA;
constexpr quint8 BOOT_CMD_TOOL_PROBE = 0xFE;
constexpr quint8 BOOT_CMD_BLOCK_HEADER = 0x03;
constexpr int BOOT_BLOCK_HEADER_LENGTH = 9;
constexpr int BOOT_MIN_FRAME_LENGTH = 3; // start, length, checksum
constexpr int DALI_FRAME_LENGTH = 3;
constexpr int USB_FRAME_OVERHEAD = 4;
constexpr quint16 MODBUS_POLYNOMIAL = 0xA001; // 0x8005 reflected

constexpr quint8 DALI_CLASS_SEND_ONCE = 1;
constexpr quint8 DALI_CLASS_SEND_TWICE = 2;
constexpr quint8 DALI_CLASS_QUERY = 3;

QByteArray bytes2(quint8 a, quint8 b)
{
    QByteArray out;
    out.append(char(a));
    out.append(char(b));
    return out;
}

} // namespace

SimProgTool::SimProgTool(PtyPair* ptyPair, Kind kind, QObject* parent)
    : QObject(parent)
    , pty(ptyPair)
    , toolKind(kind)
    , gapTimer(new QTimer(this))
{
    gapTimer->setSingleShot(true);
    gapTimer->setInterval(INPUT_GAP_MS);
    connect(gapTimer, &QTimer::timeout, this, &SimProgTool::dropIncompleteInput);
    if (pty && pty->isMasterOpen()) {
        notifier = new QSocketNotifier(pty->masterFd(), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, &SimProgTool::readMaster);
        connect(pty, &PtyPair::masterAboutToClose, this, &SimProgTool::stopWatching);
    }
}

SimProgTool::~SimProgTool()
{
    stopWatching();
}

void SimProgTool::setKind(Kind kind)
{
    toolKind = kind;
}

SimProgTool::Kind SimProgTool::kind() const
{
    return toolKind;
}

void SimProgTool::setDaliBus(SimDaliBus* daliBus)
{
    bus = daliBus;
}

SimDaliBus* SimProgTool::daliBus() const
{
    return bus;
}

void SimProgTool::setDaliHandler(DaliHandler handler)
{
    daliHandler = std::move(handler);
}

void SimProgTool::setUsbHandler(FrameHandler handler)
{
    usbHandler = std::move(handler);
}

void SimProgTool::setBootHandler(FrameHandler handler)
{
    bootHandler = std::move(handler);
}

void SimProgTool::queueAnswer(const QByteArray& bytes)
{
    queuedAnswers.append(bytes);
}

void SimProgTool::clearQueuedAnswers()
{
    queuedAnswers.clear();
}

void SimProgTool::setAnswerDelay(int ms)
{
    answerDelay = qMax(0, ms);
}

void SimProgTool::setAnswerChunks(const QList<int>& sizes, int gapMs)
{
    chunkSizes = sizes;
    chunkGap = qMax(0, gapMs);
}

void SimProgTool::setSilent(bool on)
{
    silent = on;
}

void SimProgTool::setRequiredBaudRate(int baud)
{
    requiredBaud = baud;
}

int SimProgTool::lineBaudRate() const
{
    return pty ? pty->slaveBaudRate() : 0;
}

void SimProgTool::unplug()
{
    if (pty)
        pty->closeMaster(); // stops watching through masterAboutToClose
    stopWatching();
}

bool SimProgTool::isPluggedIn() const
{
    return notifier != nullptr;
}

QList<SimProgTool::Frame> SimProgTool::frames() const
{
    return frameLog;
}

QList<QByteArray> SimProgTool::frameBytes() const
{
    QList<QByteArray> out;
    for (const Frame& frame : frameLog)
        out.append(frame.bytes);
    return out;
}

void SimProgTool::clearFrames()
{
    frameLog.clear();
}

QList<SimProgTool::Chunk> SimProgTool::sentChunks() const
{
    return chunkLog;
}

void SimProgTool::clearSentChunks()
{
    chunkLog.clear();
}

void SimProgTool::sendRaw(const QByteArray& bytes)
{
    writeToLine(bytes);
}

quint16 SimProgTool::crc16(const QByteArray& bytes)
{
    // Bit by bit, independent of the table-driven form the product uses.
    quint16 crc = 0xFFFF;
    for (char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ MODBUS_POLYNOMIAL) : quint16(crc >> 1);
    }
    return crc;
}

QByteArray SimProgTool::usbFrame(quint8 cmd, const QByteArray& data)
{
    QByteArray frame;
    frame.append(char(cmd));
    frame.append(char(quint8(data.size())));
    frame.append(data);
    const quint16 crc = crc16(frame);
    frame.append(char(crc >> 8));
    frame.append(char(crc & 0xFF));
    return frame;
}

qint64 SimProgTool::clockMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

void SimProgTool::readMaster()
{
    if (!pty || !pty->isMasterOpen())
        return;
    QByteArray received;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(pty->masterFd(), chunk, sizeof chunk);
        if (n > 0) {
            received.append(chunk, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK))
            stopWatching(); // no slave side left: nothing will ever arrive again
        break;
    }
    if (received.isEmpty())
        return;

    if (requiredBaud != 0 && lineBaudRate() != requiredBaud) {
        // At the wrong rate the tool's UART sees noise, not frames.
        input.clear();
        block.clear();
        blockRemaining = 0;
        gapTimer->stop();
        takeFrame(FrameType::Garbled, received);
        return;
    }
    input.append(received);
    parseInput();
}

void SimProgTool::parseInput()
{
    while (!input.isEmpty()) {
        if (blockRemaining > 0) {
            const int take = qMin(blockRemaining, input.size());
            block.append(input.left(take));
            input.remove(0, take);
            blockRemaining -= take;
            if (blockRemaining == 0) {
                const QByteArray done = block;
                block.clear();
                takeFrame(FrameType::BootBlock, done);
            }
            continue;
        }
        if (quint8(input.at(0)) == BOOT_FRAME_START) {
            if (input.size() < 2)
                break;
            const int length = quint8(input.at(1));
            if (length < BOOT_MIN_FRAME_LENGTH) {
                takeFrame(FrameType::Incomplete, input.left(2));
                input.remove(0, 2);
                continue;
            }
            if (input.size() < length)
                break;
            const QByteArray frame = input.left(length);
            input.remove(0, length);
            const quint8 command = quint8(frame.at(2));
            if (command == BOOT_CMD_TOOL_PROBE) {
                takeFrame(FrameType::ToolProbe, frame);
            } else {
                if (command == BOOT_CMD_BLOCK_HEADER && length == BOOT_BLOCK_HEADER_LENGTH)
                    blockRemaining = quint8(frame.at(4)) * 256 + quint8(frame.at(5));
                takeFrame(FrameType::Boot, frame);
            }
            continue;
        }
        if (toolKind == Kind::DaliTool) {
            if (input.size() < DALI_FRAME_LENGTH)
                break;
            const QByteArray frame = input.left(DALI_FRAME_LENGTH);
            input.remove(0, DALI_FRAME_LENGTH);
            takeFrame(FrameType::Dali, frame);
            continue;
        }
        if (input.size() < 2)
            break;
        const int length = quint8(input.at(1)) + USB_FRAME_OVERHEAD;
        if (input.size() < length)
            break;
        const QByteArray frame = input.left(length);
        input.remove(0, length);
        const quint16 carried = quint16(quint8(frame.at(length - 2)) * 256 + quint8(frame.at(length - 1)));
        takeFrame(crc16(frame.left(length - 2)) == carried ? FrameType::Usb : FrameType::UsbBadCrc, frame);
    }
    if (input.isEmpty() && blockRemaining == 0)
        gapTimer->stop();
    else if (input.isEmpty() && block.isEmpty())
        gapTimer->start(BLOCK_WAIT_MS); // a block announced, none of it here yet
    else
        gapTimer->start(INPUT_GAP_MS);
}

void SimProgTool::dropIncompleteInput()
{
    const QByteArray partial = block + input;
    input.clear();
    block.clear();
    blockRemaining = 0;
    if (!partial.isEmpty())
        takeFrame(FrameType::Incomplete, partial);
}

void SimProgTool::takeFrame(FrameType type, const QByteArray& bytes)
{
    frameLog.append(Frame{clockMs(), type, bytes});
    emit frameReceived(bytes);
    if (type == FrameType::Garbled || type == FrameType::Incomplete || type == FrameType::UsbBadCrc)
        return;
    scheduleAnswer(answerFor(type, bytes));
}

QByteArray SimProgTool::answerFor(FrameType type, const QByteArray& bytes)
{
    if (silent)
        return QByteArray();
    QByteArray answer;
    switch (type) {
    case FrameType::Dali:
        answer = daliAnswer(bytes);
        break;
    case FrameType::Usb:
        answer = usbHandler ? usbHandler(bytes) : usbFrame(quint8(bytes.at(0)), QByteArray());
        break;
    case FrameType::ToolProbe:
        answer = probeAnswer(bytes);
        break;
    case FrameType::Boot:
    case FrameType::BootBlock:
        answer = bootHandler ? bootHandler(bytes) : QByteArray(1, char(BOOT_ACK));
        break;
    default:
        return QByteArray();
    }
    if (!queuedAnswers.isEmpty())
        return queuedAnswers.takeFirst();
    return answer;
}

QByteArray SimProgTool::daliAnswer(const QByteArray& frame)
{
    int backward = SimDaliBus::NO_ANSWER;
    const QByteArray answer = daliToolAnswer(bus, frame, &backward);
    if (daliHandler)
        return daliHandler(quint8(frame.at(0)), quint8(frame.at(1)), quint8(frame.at(2)), backward);
    return answer;
}

QByteArray SimProgTool::daliToolAnswer(SimDaliBus* bus, const QByteArray& frame, int* backwardFrame)
{
    const quint8 addressByte = quint8(frame.at(0));
    const quint8 dataByte = quint8(frame.at(1));
    const quint8 frameClass = quint8(frame.at(2));
    int sends = 0;
    if (frameClass == DALI_CLASS_SEND_ONCE || frameClass == DALI_CLASS_QUERY)
        sends = 1;
    else if (frameClass == DALI_CLASS_SEND_TWICE)
        sends = 2; // a configuration command counts only when it comes twice in a row
    int backward = SimDaliBus::NO_ANSWER;
    for (int i = 0; i < sends; ++i)
        backward = bus ? bus->forwardFrame(addressByte, dataByte) : SimDaliBus::NO_ANSWER;
    if (backwardFrame)
        *backwardFrame = backward;

    if (sends == 0)
        return bytes2(DALI_STATUS_TOOL_ERROR, 0);
    if (backward < 0 && backward != SimDaliBus::NO_ANSWER)
        return bytes2(DALI_STATUS_TOOL_ERROR, 0);
    if (frameClass == DALI_CLASS_QUERY) {
        if (backward == SimDaliBus::NO_ANSWER)
            return bytes2(DALI_STATUS_NO_ANSWER, 0);
        return bytes2(DALI_STATUS_OK, quint8(backward));
    }
    return bytes2(DALI_STATUS_OK, backward == SimDaliBus::NO_ANSWER ? 0 : quint8(backward));
}

QByteArray SimProgTool::probeAnswer(const QByteArray& frame) const
{
    static const QByteArray daliToolProbe = QByteArray::fromHex("fa05fe0300");
    static const QByteArray usbToolProbe = QByteArray::fromHex("fa06fe0100ff");
    if ((toolKind == Kind::DaliTool && frame == daliToolProbe) || (toolKind == Kind::UsbTool && frame == usbToolProbe))
        return QByteArray(1, char(BOOT_ACK));
    return QByteArray();
}

void SimProgTool::scheduleAnswer(const QByteArray& answer)
{
    if (answer.isEmpty())
        return;
    QList<QByteArray> parts;
    int position = 0;
    for (int size : qAsConst(chunkSizes)) {
        if (position >= answer.size() || size <= 0)
            break;
        parts.append(answer.mid(position, size));
        position += size;
    }
    if (position < answer.size())
        parts.append(answer.mid(position));

    // Timers due at the same moment fire in the order they were started, so the chunks leave
    // in order even without a gap.
    for (int i = 0; i < parts.size(); ++i) {
        const QByteArray part = parts.at(i);
        QTimer::singleShot(answerDelay + i * chunkGap, Qt::PreciseTimer, this, [this, part] { writeToLine(part); });
    }
}

void SimProgTool::writeToLine(const QByteArray& bytes)
{
    if (!pty || !pty->isMasterOpen() || !notifier)
        return;
    int written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(pty->masterFd(), bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        // A full line (EAGAIN) means nobody reads the port: the rest is lost, as on a UART with no
        // listener, instead of spinning here until someone does.
        if (n <= 0)
            break;
        written += int(n);
    }
    if (written == 0)
        return;
    const QByteArray sent = bytes.left(written);
    chunkLog.append(Chunk{clockMs(), sent});
    emit answerSent(sent);
}

void SimProgTool::stopWatching()
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier->deleteLater();
    notifier = nullptr;
}

ToolPortInfo ftdiToolPort(const QString& path)
{
    ToolPortInfo info;
    info.portName = path;
    info.manufacturer = QStringLiteral("FTDI");
    info.vendorIdentifier = 0x0403;
    info.productIdentifier = 0x6001;
    return info;
}
