#ifndef IPROGRAMMING_H
#define IPROGRAMMING_H

#include "progengine.h"

#include <QByteArray>

// Sets productFeature2000 from the DriverFeature bit 0x2000 of the product at productIndex; a
// product index outside the product list clears it.
void selectProductModel(int productIndex);

// Programming engine of the USB programming tool (programming tool 1): detects, reads and
// programs a driver the tool powers, through framed commands sent by the serial link.
//
// Only the interface the window wires to; the protocol arrives with the engine itself. Until
// then the engine finds no driver, so every operation that needs one does nothing.
class iProgramming : public ProgEngine
{
    Q_OBJECT
public:
    // Operation state.
    enum IProgOperationState {
        IPROG_IDLE = 0,          // a detection answer here counts as a newly found driver
        IPROG_READING = 1,
        IPROG_READ_DONE = 2,
        IPROG_DETECTING = 3,     // polling a known driver after an operation
        IPROG_RESETTING = 4,
        IPROG_RESET_DONE = 5,
        IPROG_PROGRAMMING = 6,
        IPROG_PROGRAM_DONE = 7,
    };

    // Result of the programming run.
    enum IProgProgramResult {
        IPROG_RESULT_NONE = 0,
        IPROG_RESULT_STARTED = 1,
        IPROG_RESULT_ARMED = 2, // armed, waiting for a driver of the record's product
        IPROG_RESULT_SUCCESS = 3,
        IPROG_RESULT_FAIL = 4,
    };

    explicit iProgramming(QObject* parent = nullptr);
    ~iProgramming() override;

    void setEnabled(int enable) override;
    bool isEnabled() const { return enabled; }
    void resetState() override;
    void resetProgrammingState() override;
    void startReadProductInfo() override;
    void startProgramming() override;
    void startResetOperatingTime() override;
    void setDriverConnected(int state) override;
    void handleProgrammingResult(bool ok) override;
    void resetOptResult(int result) override;
    ProgDataStructDef& writeRecord() override;
    const ProgDataStructDef& readRecord() const override;

    // Length, command echo and CRC of a tool answer against the last command sent.
    bool checkResponseFrame(const QByteArray& data);

public slots:
    void checkDriverConnection() override;
    void toolConnectionStateChange(int state) override;
    void iProgrammingResponse(QByteArray data);
    void sendProgrammingCmdSequence();
    void processCommError(int error_type);

signals:
    void sendCommand(int cmd, QByteArray data, int sender);

private:
    ProgDataStructDef record; // what a run writes and what a read fills
    bool enabled = false;
    int toolState = 0;
    int driverConnected = DRIVER_DISCONNECTED;
    bool programRequest = false;
    bool readRequest = false;
    bool resetRequest = false;
};

#endif // IPROGRAMMING_H
