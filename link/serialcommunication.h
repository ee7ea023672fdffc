#ifndef SERIALCOMMUNICATION_H
#define SERIALCOMMUNICATION_H

#include "commerror.h"
#include "serialtransaction.h"
#include "toolportinfo.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

// Sender id of a serial request (last argument of the engines' sendCommand signals); the link's
// work mode takes the same values.
enum SenderIdDef {
    SENDER_DALI_CONSOLE = 1,
    SENDER_DALI_PROGRAMMING = 2,
    SENDER_DALI_POWER_MONITOR = 3,
    SENDER_IPROG = 4,
    SENDER_BOOT = 5,
};

// The one serial link of the system, shared by the DALI console, DALI programming, power meter,
// USB programming tool engine and boot loader. It frames their requests, sends them through its
// SerialTransaction with the timing of each kind and reports how each one ended. It also finds
// the tool among the serial ports (checkToolPort).
//
// What an engine may rely on. The window wires every engine to sendDaliCommand, sendiProgCommand
// or sendBootCommand and to commandResponse, commandSendComplete and communicateError; those
// signals reach all engines, and only the one the window has switched on acts on them.
// - The line serves only the engine switched on: a request is taken only when its sender id is
//   the work mode (setWorkMode). Any other request is logged and dropped, nothing is sent and
//   nothing is reported; its engine is switched off and has dropped its wait.
// - A request taken ends exactly once, in one of these ways:
//     answered:   commandResponse(answer), then commandSendComplete(). A send-twice DALI frame
//                 the tool acknowledges with 1 goes out once more first; the repeat's answer is
//                 the one passed on.
//     no answer:  communicateError(COMM_ERR_TIMEOUT) four times the request's wait time after it
//                 went out: 4 s for a DALI command (0.4 s for the repeat of a send-twice frame),
//                 1.6 s for a USB tool frame, 12 s for a boot frame.
//     port error: communicateError(COMM_ERR_PORT); the tool counts as lost from then on.
//                 A connected tool whose port hangs up while nothing is in flight is reported
//                 the same way, at once.
//     no tool:    while the detection owns the line (a pass has run and taken no tool yet),
//                 only its probes go out: a request is not sent and ends in
//                 communicateError(COMM_ERR_NO_TOOL) at once, inside the sender's own
//                 sendCommand emit, as a request meeting a lost port ends in its port error.
//     refused:    a request that cannot go on the line (DALI command or address -1, a DALI
//                 number without a frame, USB tool data over 255 bytes, an empty boot frame) is
//                 not sent and ends in communicateError(COMM_ERR_TIMEOUT) on the next turn of
//                 the event loop, never inside the sender's own sendCommand emit.
// - A sender's newer request replaces its own request still in flight; the older one ends
//   without an outcome of its own, and the sender waits for the newer one only.
// - A change of work mode or of the tool connection ends a request in flight without an outcome:
//   the window then switches the engine off (setEnabled(0)) or tells it the tool state
//   (toolConnectionStateChange), and an engine drops its wait on either. An answer that arrives
//   after the work mode changed is logged and dropped.
// - communicateError(COMM_ERR_TIMEOUT) also reports a detection probe left unanswered while no
//   tool is connected; an engine without a request outstanding ignores it.
//
// Detection: one checkToolPort call is one pass. A pass first judges the port its previous pass
// probed (an answer, or for the USB tool behind an FTDI adapter silence, takes it), then sends
// one probe to the next FTDI or virtual COM port in list order (wrapping round) and returns; the
// probed port stays open until the next pass so its answer can be heard. Only an answer to that
// probe counts. A port that cannot be opened is skipped with a debug line, not a port error.
class SerialCommunication : public QObject
{
    Q_OBJECT
public:
    // Tool kinds of checkToolPort.
    static constexpr int TOOL_KIND_DALI = 0;
    static constexpr int TOOL_KIND_IPROG = 1;

    explicit SerialCommunication(QObject* parent = nullptr);

    void setWorkMode(int mode);
    // 0 device type 6 names and encoding, 1 device type 8; any other value switches the
    // encoding to device type 8 and keeps the names.
    void setCommandTable(int mode);
    // Fills the name tables; called once at start-up, before any request.
    void buildCommandTables();
    // One detection pass over the serial ports for tool kind 0 (DALI programming tool) or 1
    // (USB programming tool); true when a tool was taken in this pass.
    bool checkToolPort(int kind);
    // Repeats the last DALI frame once as send-once when the tool answered 1 to a send-twice
    // frame of a DALI sender; true when the frame went out again.
    bool resendIfSendTwice(QByteArray s);

    // Where checkToolPort takes its port list from; providedToolPorts() unless set.
    void setPortLister(ToolPortLister lister);

    // The last DALI frame: address byte, data byte, frame class (shown by the console tab).
    std::array<int, 3> lastDaliFrame() const;
    const QStringList& currentCommandNames() const;
    const QList<int>& currentCommandNumbers() const;
    const QStringList& iProgCommandNameTable() const;
    int currentWorkMode() const;
    int lastSenderId() const;
    int currentDtMode() const;
    bool isToolConnected() const;
    ToolPortInfo matchedPort() const;
    const SerialTransaction& transactionEngine() const;

public slots:
    void sendDaliCommand(int cmd, int addr, int para, int sender);
    void sendiProgCommand(int cmd, QByteArray data, int sender);
    void sendBootCommand(QByteArray cmd_data);

signals:
    void commandSendComplete();
    void commandResponse(QByteArray s);
    void communicateError(int err_type);
    void debug_msg(QString msg);

private slots:
    void showResponse(QByteArray s);
    void processError(QString s);
    void processTimeout(QString s);

private:
    // Takes a request of sender onto the line; false, with a debug line, when the line serves
    // another sender, or when the detection owns it (then the sender hears COMM_ERR_NO_TOOL).
    bool acceptRequest(int sender);
    // Ends the request just taken without sending it (reason: its debug line, if any).
    void refuseRequest(const QString& reason);
    QString daliCommandName(int cmd) const;
    // daliFrame as it goes on the wire.
    QByteArray daliRequest() const;
    void startExchange(const QByteArray& request, int readTime, int waitTime);
    bool openForDetection(const ToolPortInfo& info, int baudRate);
    void forgetProbe();

    ToolPortInfo portInfo;
    int daliFrame[3] = {0, 0, 0};
    SerialTransaction serialTransaction;
    QStringList commandNames;
    QList<int> commandNumbers;
    QStringList dt6CommandNames;
    QStringList dt8CommandNames;
    QStringList iProgCommandNames;
    int senderId = 0;
    int workMode = SENDER_DALI_CONSOLE;
    int lastToolKind = 0;
    int probeStep = 0;
    bool answered = false;
    bool connected = false;
    int dtMode = 0;

    // The port the outstanding probe went to: only its answer, or its silence, says anything
    // about the tool behind it.
    QString probedPort;
    ToolPortLister portLister;
    // Counts the uses of the line (requests taken, detection passes), so that a refusal reported
    // on a later turn of the event loop is dropped once the line has moved on.
    quint64 lineUse = 0;
    // A request or probe is on the line and its outcome is still due.
    bool exchangeOpen = false;
    // A detection pass has run and taken no tool: the line carries nothing but its probes until
    // a pass takes one. A request sent then would reach whatever port was probed last, and its
    // answer would be taken for the probe's. A port error hands the line back, so that a request
    // meets the lost port and reports it.
    bool detecting = false;
};

#endif // SERIALCOMMUNICATION_H
