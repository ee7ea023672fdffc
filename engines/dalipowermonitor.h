#ifndef DALIPOWERMONITOR_H
#define DALIPOWERMONITOR_H

#include <QByteArray>
#include <QObject>
#include <QString>

// The six readings of one gear: [0] active power W, [1] active energy Wh, [2] apparent power VA,
// [3] apparent energy VAh, [4] load-side power W, [5] load-side energy Wh.
struct PowerDataDef
{
    double values[6] = {};
};

// Engine of the power meter tab: reads the energy reporting memory banks 202 (active),
// 203 (apparent) and 204 (load side) of one DALI gear through the DALI programming tool and
// reports each bank's values to the tab (updatePowerMonitorDisplay), or reports a read it had to
// give up (powerDataReadResult(false)).
//
// One cycle selects each bank (DTR1 := bank, DTR0 := 4) and reads locations 4 to 15 with twelve
// READ MEMORY LOCATION commands, the gear advancing DTR0 after each: 42 commands. It talks only
// through the serial link (sendCommand out; commandResponse then commandSendComplete, or
// communicateError, in), keeps exactly one command in flight and never sends a new one before
// the outcome of the last, and acts only while the window has it enabled.
//
// A failed read (no backward frame, a tool error, a time-out) contributes nothing: it is
// repeated, the second failure in a row restarts the bank, and the fourth in a row gives the
// read up. Only a good answer to a read ends a run of failures. A port error gives the read up at
// once.
//
// The window tells it the tool state (toolConnectionStateChange), as it tells the programming
// engines. While the tool is not connected the line belongs to tool detection, whose probe would
// take the answer to a read: a read asked for then is refused at once, and a tool lost during a
// read ends it at once. Either way powerDataReadResult(false) is the outcome; no read waits for an
// answer that nobody will pass on to it.
class DaliPowerMonitor : public QObject
{
    Q_OBJECT
public:
    // Report types of updatePowerMonitorDisplay: the bank just read.
    static constexpr int POWER_TYPE_ACTIVE = 0;    // bank 202
    static constexpr int POWER_TYPE_APPARENT = 2;  // bank 203
    static constexpr int POWER_TYPE_LOAD_SIDE = 4; // bank 204

    // Mask bits of updatePowerMonitorDisplay: 1 = value not available.
    static constexpr uint MASK_ACTIVE_ENERGY = 0x01;
    static constexpr uint MASK_ACTIVE_POWER = 0x02;
    static constexpr uint MASK_APPARENT_ENERGY = 0x04;
    static constexpr uint MASK_APPARENT_POWER = 0x08;
    static constexpr uint MASK_LOAD_SIDE_ENERGY = 0x10;
    static constexpr uint MASK_LOAD_SIDE_POWER = 0x20;

    // Sequence steps of one cycle: the number of reads done, 0..36; STEP_STOPPED after stopRead
    // or a read given up.
    static constexpr int STEP_STOPPED = 37;

    explicit DaliPowerMonitor(QObject* parent = nullptr);
    ~DaliPowerMonitor() override;

    // Switching off ends a running cycle: the answer to the command in flight belongs to a
    // link that has moved on to another engine.
    void setEnabled(int enable);
    bool isEnabled() const { return enabled; }
    // A cycle started by startRead is running (a command in flight or about to be sent).
    bool isReading() const { return active; }
    // Address byte of the gear: 2 x short address (0..126, even) or 254 for broadcast. Any
    // other value is refused and the previous address kept.
    void setShortAddress(int addr);
    // Starts a cycle (nothing while switched off). During a cycle it starts over; the command
    // in flight is let finish first and its outcome dropped. Refused, with
    // powerDataReadResult(false), while the tool is not connected.
    void startRead();
    // Nothing more is sent; the outcome of the command in flight is dropped.
    void stopRead();
    void setValueMask(int index, bool flag);
    void resetMemoryLocation();
    // One step of DTR1 := bank, DTR0 := location per call; true while it sent a command, false
    // (and starts over) once both are done.
    bool setMemoryLocation(int bank, int location);

public slots:
    void sendDaliPowerMonitorCmdSequence();
    void daliPowerMonitorResponse(QByteArray data);
    void processCommError(int err_type);
    // From MainWindow::toolConnectionChangeSignal: 1 tool connected, 0 not found.
    void toolConnectionStateChange(int state);

signals:
    void sendCommand(int cmd, int addr, int para, int sender);
    void updatePowerMonitorDisplay(int type, double* data, uint masktype);
    void powerDataReadResult(bool result);
    void debug_msg(QString msg);

private slots:
    // Goes on after a failure that no completion signal follows.
    void resumeAfterError();

private:
    void sendNext();
    void send(int cmd, int para);
    void applyRead(int number, quint8 b);
    void countFailure();
    void giveUp();
    void trace(const QString& line) const;

    int command = 0;
    int parameter = 0;
    int address = 0;
    bool enabled = false;
    int toolState = 0; // 1: the tool is connected and the line serves requests
    int step = 0;
    int readNumber = 0;
    int locationState = 0;
    int failures = 0;
    uint mask = 0;
    quint32 powerSum[3] = {};
    quint64 energySum[3] = {};
    int powerScale[3] = {};
    int energyScale[3] = {};
    PowerDataDef values;
    bool active = false;
    // The last read failed: DTR0 must point at its location again before it is repeated.
    bool powerMeterReselectPending = false;
    bool valueMaskFlags[6] = {true, true, true, true, true, true};

    bool inFlight = false;       // a command was sent and its outcome has not come yet
    bool completionDue = false;  // an answer came; its completion signal sends the next command
    bool dropOutcome = false;    // the command in flight belongs to a cycle that was stopped or restarted
};

#endif // DALIPOWERMONITOR_H
