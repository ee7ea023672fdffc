#ifndef IPROGRAMMING_H
#define IPROGRAMMING_H

#include "progengine.h"

#include <QByteArray>

// Sets productFeature2000 from the DriverFeature bit DF_STEP_FADE_TIMES of the product at productIndex; a
// product index outside the product list clears it.
void selectProductModel(int productIndex);

// Programming engine of the USB programming tool (programming tool 1). The tool powers the LED
// driver and passes framed commands [command, length, data, CRC-16] to it; every answer comes
// back in the same frame. The engine detects a driver by polling it with QUERY_DRIVER_SN, reads
// its parameters into its record, programs them and clears the module operating time, in the
// older command set (product index 0 to 99) or the newer one (100 and above), as the driver's
// answer to the probe tells.
//
// It talks only through the serial link: sendCommand out (sender 4), commandResponse (the answer
// is checked and decoded) then commandSendComplete (the next command goes out) or
// communicateError in; one command is in flight at a time. An answer of the wrong length, with
// another command byte, a bad CRC or (to a SET_ command) no acknowledgement is invalid; it and a
// time-out send the same command again, at most four times in a row, before the read, reset or
// programming run is given up. It acts only while enabled.
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

    // Command codes of the tool.
    static constexpr int CMD_QUERY_DRIVER_SN = 1;
    static constexpr int CMD_SET_DIM_MODE = 2;
    static constexpr int CMD_SET_OUTPUT_CURRENT = 3;
    static constexpr int CMD_SET_DIM_FUNCTION = 4;
    static constexpr int CMD_SET_MIDNIGHT_SHIFT = 5;
    static constexpr int CMD_SET_MODULE_THERMAL_DERATING = 6;
    static constexpr int CMD_SET_FUNCTION_ENABLE = 7;
    static constexpr int CMD_SET_CONSTANT_LUMEN_TIMER = 8;
    static constexpr int CMD_SET_CONSTANT_LUMEN_LEVEL = 9;
    static constexpr int CMD_SET_SCHEDULE_TIMER = 10;
    static constexpr int CMD_SET_SCHEDULE_LEVEL = 11;
    static constexpr int CMD_SET_OR_CLEAR_MODULE_OPERATION_HOUR = 12;
    static constexpr int CMD_SET_EOL_TIME = 13;
    static constexpr int CMD_QUERY_DIM_MODE = 18;
    static constexpr int CMD_QUERY_OUTPUT_CURRENT = 19;
    static constexpr int CMD_QUERY_DIM_FUNCTION = 20;
    static constexpr int CMD_QUERY_MIDNIGHT_SHIFT = 21;
    static constexpr int CMD_QUERY_MODULE_THERMAL_DERATING = 22;
    static constexpr int CMD_QUERY_FUNCTION_ENABLE = 23;
    static constexpr int CMD_QUERY_CONSTANT_LUMEN_TIMER = 24;
    static constexpr int CMD_QUERY_CONSTANT_LUMEN_LEVEL = 25;
    static constexpr int CMD_QUERY_SCHEDULE_TIMER = 26;
    static constexpr int CMD_QUERY_SCHEDULE_LEVEL = 27;
    static constexpr int CMD_QUERY_OPERATION_TIME = 28;
    static constexpr int CMD_QUERY_EOL_TIME = 29; // the step fade times on products with feature 0x2000
    static constexpr int CMD_QUERY_FW_VERSION = 30;
    static constexpr int CMD_QUERY_TABLE_VERSION = 31;

    explicit iProgramming(QObject* parent = nullptr);
    ~iProgramming() override;

    void handleProgrammingResult(bool ok) override;
    int toolPortKind() const override;
    QString toolConnectedText() const override;
    // The USB programming tool has no command for corridor mode.
    bool programsCorridor() const override { return false; }

    // Length, command echo and CRC of a tool answer against the last command sent.
    bool checkResponseFrame(const QByteArray& data);

    // Read-only views for the window's traces and for tests.
    int operationState() const { return state; }
    int driverProductIndex() const { return driverProduct; }

public slots:
    void iProgrammingResponse(QByteArray data);
    void sendProgrammingCmdSequence();

signals:
    void sendCommand(int cmd, QByteArray data, int sender);

private:
    void probeDriver() override;
    Operation stopOperation() override;
    void handleCommError(int error_type) override;
    void beginOperation(Operation op) override;
    bool showsDriverRemoval(bool unusableAnswer) const override;
    bool driverMatchesProfile() const override;

    bool newerCommandSet() const;
    void sendIProgCommand(int cmd, const QByteArray& data);
    void retryOrGiveUp();
    void handleDetectionAnswer(const QByteArray& data, bool valid);
    void runReadSequence();
    void runProgramSequence();
    void runResetSequence();
    int nextCommand(const int* order, int count) const;
    void decodeAnswer(int command, const QByteArray& data);
    QByteArray commandData(int command) const;
    int answerLength(int command) const;

    int currentCommand = 0;
    int expectedCommand = 0;
    // Not driverState: after a garbled answer that says gone, yet an answer with no probe is the same driver.
    int state = IPROG_IDLE;
    // The failed command went out again; its answer is awaited.
    bool resendAwaited = false;
    int sendsInRow = 0; // failed sends of the current command in a row
    QByteArray lastData;
    int driverProduct = 0; // from the driver's answer to the detection probe
};

#endif // IPROGRAMMING_H
