#ifndef FEIG_NFC_H
#define FEIG_NFC_H

#include "progengine.h"

// Programming engine of the FEIG USB NFC reader (programming tool 2): reads, programs and
// verifies a driver's NFC tag, and resets a tag to its factory record.
//
// Only the interface the window wires to; the protocol arrives with the engine itself. Until
// then no reader is found, so no tag is ever seen and every operation on a tag does nothing.
class FEIG_NFC : public ProgEngine
{
    Q_OBJECT
public:
    // Write-and-verify attempts of one programming run.
    static constexpr int MAX_PROGRAM_ATTEMPTS = 3;

    explicit FEIG_NFC(QObject* parent = nullptr);
    ~FEIG_NFC() override;

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
    void updateProgrammingState(ProgStateDef state);
    // Opens the reader; true when one is connected. Called by the window's tool check.
    bool openReader();

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
    int driverState = DRIVER_DISCONNECTED;
    int retryCount = 0;
    bool programmingArmed = false;
};

#endif // FEIG_NFC_H
