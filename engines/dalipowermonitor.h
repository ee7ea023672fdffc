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
// reports each bank's values to the tab.
//
// Only the interface the window wires to; the protocol arrives with the engine itself. Until
// then a read sends nothing and reports nothing.
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

    // Sequence steps of one cycle: 36 reads; STEP_STOPPED ends the cycle.
    static constexpr int STEP_STOPPED = 37;

    explicit DaliPowerMonitor(QObject* parent = nullptr);
    ~DaliPowerMonitor() override;

    void setEnabled(int enable);
    bool isEnabled() const { return enabled; }
    // Address byte of the gear: 2 x short address (0..126, even) or 254 for broadcast. Any
    // other value is refused and the previous address kept.
    void setShortAddress(int addr);
    void startRead();
    void stopRead();
    void setValueMask(int index, bool flag);
    void resetMemoryLocation();
    // Two-step selection DTR1 := bank, DTR0 := location; true while it sent a command.
    bool setMemoryLocation(int bank, int location);

public slots:
    void sendDaliPowerMonitorCmdSequence();
    void daliPowerMonitorResponse(QByteArray data);
    void processCommError(int err_type);

signals:
    void sendCommand(int cmd, int addr, int para, int sender);
    void updatePowerMonitorDisplay(int type, double* data, uint masktype);
    void powerDataReadResult(bool result);
    void debug_msg(QString msg);

private:
    int address = 0;
    bool enabled = false;
    int step = 0;
    bool active = false;
    PowerDataDef values;
};

#endif // DALIPOWERMONITOR_H
