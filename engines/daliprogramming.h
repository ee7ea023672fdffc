#ifndef DALIPROGRAMMING_H
#define DALIPROGRAMMING_H

#include "daliframe.h"
#include "progengine.h"

#include <QByteArray>
#include <QList>

// Programming engine of the DALI programming tool (programming tool 0): detects a driver by
// polling it, reads its parameter table from DALI memory bank 2, programs the table, clears the
// module operating time, and in production programs every newly connected driver with the same
// data. It talks only through the serial link: sendCommand out, commandResponse /
// commandSendComplete / communicateError in, one command in flight at a time. Every command is a
// broadcast, so exactly one driver is expected on the bus.
class DaliProgramming : public ProgEngine
{
    Q_OBJECT
public:
    // Engine state.
    enum DaliProgStateDef {
        DALI_PROG_STATE_DETECT = 0,       // polling; no driver connected
        DALI_PROG_STATE_READ = 1,         // reading bank 2
        DALI_PROG_STATE_READ_DONE = 2,
        DALI_PROG_STATE_CONNECTED = 3,    // polling; a driver is connected
        DALI_PROG_STATE_RESET_TIME = 4,   // clearing the module operating time
        DALI_PROG_STATE_RESET_DONE = 5,
        DALI_PROG_STATE_PROGRAM = 6,      // programming bank 2
        DALI_PROG_STATE_PROGRAM_DONE = 7,
    };

    // DALI command numbers (standard opcodes; 256 and up special commands); the memory bank
    // reads and DTRs are in daliframe.h.
    static constexpr int CMD_ENABLE_WRITE_MEMORY = 129;
    static constexpr int CMD_QUERY_DEVICE_TYPE = 153;
    static constexpr int CMD_WRITE_MEMORY_LOCATION = 275;

    explicit DaliProgramming(QObject* parent = nullptr);
    ~DaliProgramming() override;

    void handleProgrammingResult(bool ok) override;
    int toolPortKind() const override;
    QString toolConnectedText() const override;

    // One step of DTR1 := bank, DTR0 := offset per call; returns true while it sent a command,
    // false (and starts over) once both are done.
    bool setMemoryLocation(int bank, int offset);
    void resetMemoryLocation();

    // Read-only views for the window's traces and for tests.
    int engineState() const;
    int memoryBankLastAddress() const;

public slots:
    void sendDaliProgrammingCmdSequence();
    void daliProgrammingResponse(QByteArray data);

signals:
    void sendCommand(int cmd, int addr, int para, int sender);

private:
    // One step of a write sequence: a location to select, ENABLE WRITE MEMORY, or a byte to write.
    struct WriteStep
    {
        enum class Kind { SetLocation, EnableWrite, Write } kind;
        int address; // bank-2 address (set location: the offset)
        int value;   // byte to write
    };

    void probeDriver() override;
    Operation stopOperation() override;
    void handleCommError(int error_type) override;
    void beginOperation(Operation op) override;
    bool showsDriverRemoval(bool unusableAnswer) const override;
    void trace(const QString& line) const override;

    void sendDaliCommand(int cmd, int para);
    void runReadSequence();
    void finishRead();
    void runWriteSequence(bool reset);
    QList<WriteStep> buildProgramSteps() const;
    QList<WriteStep> buildResetSteps() const;
    void decodeBank2(int address, quint8 value);
    void dumpRecord() const;

    int command = 0;
    int parameter = 0;
    int addressByte = DALI_ADDR_BROADCAST;
    int position = 0;
    int sentPosition = 0;
    int lastAddress = 0xFF; // unknown until read: assume the full table and let the driver tell
    // Not driverState: after a garbled answer that says gone, yet an answer with no probe is the same driver.
    int state = DALI_PROG_STATE_DETECT;
    int memoryLocationStep = 0;

    // Old table layout (bank 2 ending at 71): two product codes that together tell the product.
    int productCodeA = 0;
    int productCodeB = 0;
    bool productIndexRead = false; // this read reached the address(es) of the product index

    QList<WriteStep> writeSteps;     // plan of the running program or reset sequence
};

#endif // DALIPROGRAMMING_H
