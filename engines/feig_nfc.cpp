#include "feig_nfc.h"

#include "globals.h"

FEIG_NFC::FEIG_NFC(QObject* parent) : ProgEngine(parent)
{
    setProgDataListDefaults(writeData);
}

FEIG_NFC::~FEIG_NFC() = default;

void FEIG_NFC::setEnabled(int enable)
{
    enabled = enable != 0;
    resetState();
}

void FEIG_NFC::resetState()
{
    driverState = DRIVER_DISCONNECTED;
    retryCount = 0;
    programmingArmed = false;
    profileLoaded = 0;
}

void FEIG_NFC::resetProgrammingState()
{
    retryCount = 0;
    programmingArmed = false;
}

// The tag operations act only on a tag in the field, and no reader is found yet.
void FEIG_NFC::startReadProductInfo()
{
}

void FEIG_NFC::startProgramming()
{
}

void FEIG_NFC::startResetOperatingTime()
{
}

void FEIG_NFC::factoryReset()
{
}

void FEIG_NFC::updateProgrammingState(ProgStateDef /*state*/)
{
}

bool FEIG_NFC::openReader()
{
    return false;
}

void FEIG_NFC::setDriverConnected(int state)
{
    emit debug_msg(state != 0 ? "Driver connected!" : "Lost driver connection!");
    if (state == driverState)
        return;
    driverState = state;
    emit driverConnectionStateChangeSignal(state);
}

void FEIG_NFC::handleProgrammingResult(bool /*ok*/)
{
}

void FEIG_NFC::resetOptResult(int result)
{
    retryCount = 0;
    emit resetOptResultSignal(result);
}

ProgDataStructDef& FEIG_NFC::writeRecord()
{
    return writeData;
}

const ProgDataStructDef& FEIG_NFC::readRecord() const
{
    return readData;
}

void FEIG_NFC::checkDriverConnection()
{
    if (!enabled)
        return;
    // Without a reader there is no tag: stop the detection and record no driver.
    emit enableDriverDetectTimerSignal(false);
    setDriverConnected(DRIVER_DISCONNECTED);
}

void FEIG_NFC::toolConnectionStateChange(int state)
{
    toolState = state;
    if (enabled)
        checkDriverConnection();
}
