#ifndef ST_NFC_H
#define ST_NFC_H

#include "progengine.h"

// Programming engine of the NFC reader built on the CR95HF chip (programming tool 3): reads,
// programs and verifies a driver's ISO 15693 tag, and resets a tag to its factory record.
//
// Only the interface the window wires to; the protocol arrives with the engine itself. Until
// then no reader is found, so no tag is ever seen and every operation on a tag does nothing.
class ST_NFC : public ProgEngine
{
    Q_OBJECT
public:
    // Attempts of one tag exchange, and of one programming run.
    static constexpr int MAX_EXCHANGE_ATTEMPTS = 3;
    static constexpr int MAX_PROGRAM_ATTEMPTS = 4;

    explicit ST_NFC(QObject* parent = nullptr);
    ~ST_NFC() override;

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

    // Writes writeRecord(), which the window has filled with the factory data, to the tag.
    void factoryReset();
    // The window's tool check: connectTool() and, only when it succeeds, selectProtocol().
    bool connectTool();
    bool selectProtocol();

public slots:
    void checkDriverConnection() override;
    void toolConnectionStateChange(int state) override;

signals:
    // Only COMM_ERR_NFC_TOOL, when the reader is gone.
    void communicateError(int err_type);

private:
    ProgDataStructDef writeData;
    ProgDataStructDef readData;
    bool enabled = false;
    int toolState = 0;
    int driverConnected = DRIVER_DISCONNECTED;
    int retryCount = 0;
    bool programPending = false;
    bool resetPending = false;
};

#endif // ST_NFC_H
