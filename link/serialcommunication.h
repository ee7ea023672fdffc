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
// SerialTransaction with the timing of each kind, and passes an answer on (commandResponse, then
// commandSendComplete) only while a tool is connected and the work mode equals the sender of the
// last request. It also finds the tool among the serial ports (checkToolPort).
//
// Detection: one checkToolPort call is one pass. A pass first judges the port its previous pass
// probed (an answer, or for the USB tool behind an FTDI adapter silence, takes it), then sends
// one probe to the next FTDI or virtual COM port in list order (wrapping round) and returns; the
// probed port stays open until the next pass so its answer can be heard. Only an answer to that
// probe counts. A port that cannot be opened is skipped with a debug line, not a port error.
// Requests that cannot be sent (DALI number without a frame, USB tool data over 255 bytes, an
// empty boot frame) are logged and not sent; the sender gets no answer for them.
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
    QString daliCommandName(int cmd) const;
    // daliFrame as it goes on the wire.
    QByteArray daliRequest() const;
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
};

#endif // SERIALCOMMUNICATION_H
