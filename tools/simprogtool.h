#ifndef SIMPROGTOOL_H
#define SIMPROGTOOL_H

#include "toolportinfo.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class PtyPair;
class QSocketNotifier;
class QTimer;
class SimDaliBus;

// A programming tool at the other end of a serial line: the DALI programming tool or the USB
// programming tool, sitting on the master side of a PtyPair while the product opens the slave.
//
// Quick use:
//     PtyPair pty;                                   // pty.slavePath() is the port to open
//     SimProgTool tool(&pty, SimProgTool::Kind::DaliTool);
//     tool.setDaliBus(&driver);                      // any SimDaliBus, e.g. a virtual driver
//     ... the product sends; tool.frames() tells what arrived and when ...
//
// What the tool understands (frames are cut from the byte stream; a partial frame followed by
// INPUT_GAP_MS of silence is logged as Incomplete and dropped):
// - DALI tool: 3-byte frames [address byte, data byte, class]. The frame goes on the bus (class 2
//   as two forward frames in a row) and the answer is 2 bytes [status, backward frame]:
//     class 1 and 2: [01, 00] (the tool confirms it sent the frame);
//     class 3: [01, b] when the bus answered b, [00, 00] when nobody answered;
//     any other class: [05, 00] (tool error).
//   Without a bus every forward frame goes unanswered. A bus result below 0 other than
//   SimDaliBus::NO_ANSWER stands for a corrupted backward frame: the answer is [05, 00].
// - USB tool: frames [cmd, N, N data bytes, CRC high, CRC low] (CRC-16/MODBUS). A frame with a
//   good CRC is answered by the USB handler, by default with [cmd, 00, CRC] (no data); a frame with
//   a bad CRC is logged as UsbBadCrc and not answered.
// - Both kinds: frames in the boot format [FA, total length, command, payload, sum]. Command FE is
//   the tool identification probe: FA 05 FE 03 00 is answered [01] by the DALI tool,
//   FA 06 FE 01 00 FF by the USB tool; the other kind stays silent. Any other command is a boot
//   loader frame, answered by the boot handler, by default [01]. A block header (command 03,
//   9 bytes) announces a raw block of its length, which follows unframed and is logged as one
//   BootBlock frame, also answered by the boot handler. The product sends the block only after
//   it has read the header's answer, so the tool waits BLOCK_WAIT_MS for its first byte.
//
// Shaping the answers, to drive the product's framing and timing:
// - queueAnswer(bytes): the next frame is answered with exactly these bytes (empty: no answer),
//   whatever its kind; queued answers are used in order. A DALI frame still goes on the bus.
// - setAnswerDelay(ms): time from the end of a frame to the first answer byte.
// - setAnswerChunks(sizes, gapMs): each answer goes out in chunks of these sizes (the rest in a
//   last chunk), gapMs apart.
// - setSilent(true): the tool logs what it receives and never answers (nor drives the bus).
// - setRequiredBaudRate(baud): bytes that arrive while the line is at another rate are garbage to
//   the tool: logged as Garbled, never answered (a USB tool behind an FTDI adapter: 1200).
// - unplug(): the tool vanishes; the product's port fails like a pulled adapter.
class SimProgTool : public QObject
{
    Q_OBJECT
public:
    enum class Kind { DaliTool, UsbTool };
    enum class FrameType {
        Dali,       // 3-byte DALI tool frame
        Usb,        // USB tool frame with a good CRC
        UsbBadCrc,  // USB tool frame whose CRC does not match
        ToolProbe,  // boot-format frame with command FE
        Boot,       // boot-format frame, any other command
        BootBlock,  // raw block announced by a block header
        Garbled,    // bytes received at the wrong baud rate
        Incomplete, // a partial frame the product never finished
    };

    struct Frame
    {
        qint64 atMs; // clockMs() when its last byte was read
        FrameType type;
        QByteArray bytes;
    };

    struct Chunk
    {
        qint64 atMs; // clockMs() when it was written
        QByteArray bytes;
    };

    // DALI answer: gets the frame and what the bus answered to it (for class 2, to the second
    // forward frame; SimDaliBus::NO_ANSWER when nobody answered or the class is unknown and
    // nothing went on the bus); returns the bytes to send (empty: no answer).
    using DaliHandler = std::function<QByteArray(quint8 addressByte, quint8 dataByte, quint8 frameClass,
                                                 int backwardFrame)>;
    // USB tool or boot answer: gets the whole frame (or raw block); returns the bytes to send.
    using FrameHandler = std::function<QByteArray(const QByteArray& frame)>;

    static constexpr quint8 DALI_STATUS_OK = 0x01;
    static constexpr quint8 DALI_STATUS_NO_ANSWER = 0x00;
    static constexpr quint8 DALI_STATUS_TOOL_ERROR = 0x05;
    static constexpr quint8 BOOT_ACK = 0x01;
    static constexpr int INPUT_GAP_MS = 100;
    static constexpr int BLOCK_WAIT_MS = 3000;

    SimProgTool(PtyPair* pty, Kind kind, QObject* parent = nullptr);
    ~SimProgTool() override;

    void setKind(Kind kind);
    Kind kind() const;

    // What hangs on the DALI side; nullptr for an empty bus. Not owned.
    void setDaliBus(SimDaliBus* bus);
    SimDaliBus* daliBus() const;

    // Replace the default answers; an empty function restores the default.
    void setDaliHandler(DaliHandler handler);
    void setUsbHandler(FrameHandler handler);
    void setBootHandler(FrameHandler handler);

    void queueAnswer(const QByteArray& bytes);
    void clearQueuedAnswers();
    void setAnswerDelay(int ms);
    void setAnswerChunks(const QList<int>& sizes, int gapMs);
    void setSilent(bool silent);
    void setRequiredBaudRate(int baud); // 0: any rate
    int lineBaudRate() const;

    void unplug();
    bool isPluggedIn() const;

    QList<Frame> frames() const;
    QList<QByteArray> frameBytes() const; // just the bytes, in order
    void clearFrames();
    QList<Chunk> sentChunks() const;
    void clearSentChunks();

    // Writes bytes to the line at once, outside any answer (unsolicited bytes).
    void sendRaw(const QByteArray& bytes);

    // A USB tool frame [cmd, N, data, CRC high, CRC low] with a correct CRC.
    static QByteArray usbFrame(quint8 cmd, const QByteArray& data);
    // CRC-16/MODBUS in its conventional value (0x4B37 for "123456789").
    static quint16 crc16(const QByteArray& bytes);
    // Milliseconds on a monotonic clock shared by all frame and chunk time stamps.
    static qint64 clockMs();
    // The DALI tool's answer to one frame [address byte, data byte, class] when no DALI handler is
    // set: the frame goes on bus (none: nobody listens) as often as its class says, and the answer
    // follows what the bus gave back, which lands in *backward when asked for.
    static QByteArray daliToolAnswer(SimDaliBus* bus, const QByteArray& frame, int* backward = nullptr);

signals:
    void frameReceived(QByteArray bytes);
    void answerSent(QByteArray bytes);

private slots:
    void readMaster();
    void dropIncompleteInput();

private:
    void parseInput();
    void takeFrame(FrameType type, const QByteArray& bytes);
    QByteArray answerFor(FrameType type, const QByteArray& bytes);
    QByteArray daliAnswer(const QByteArray& frame);
    QByteArray probeAnswer(const QByteArray& frame) const;
    void scheduleAnswer(const QByteArray& answer);
    void writeToLine(const QByteArray& bytes);
    void stopWatching();

    QPointer<PtyPair> pty;
    Kind toolKind;
    SimDaliBus* bus = nullptr;
    DaliHandler daliHandler;
    FrameHandler usbHandler;
    FrameHandler bootHandler;
    QList<QByteArray> queuedAnswers;
    int answerDelay = 0;
    QList<int> chunkSizes;
    int chunkGap = 0;
    bool silent = false;
    int requiredBaud = 0;

    QSocketNotifier* notifier = nullptr;
    QTimer* gapTimer;
    QByteArray input;
    QByteArray block;
    int blockRemaining = 0;

    QList<Frame> frameLog;
    QList<Chunk> chunkLog;
};

// The port a simulated tool on the pseudo-terminal at path shows to the tool detection: behind
// an FTDI adapter, as the DALI tool is (and the USB tool at the FTDI adapter's 1200 baud).
ToolPortInfo ftdiToolPort(const QString& path);

#endif // SIMPROGTOOL_H
