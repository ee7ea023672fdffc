#include "st_nfc.h"

#include "globals.h"

ST_NFC::ST_NFC(QObject* parent) : ProgEngine(parent)
{
    setProgDataListDefaults(writeData);
}

ST_NFC::~ST_NFC() = default;

void ST_NFC::setEnabled(int enable)
{
    enabled = enable != 0;
    resetState();
}

void ST_NFC::resetState()
{
    driverConnected = DRIVER_DISCONNECTED;
    retryCount = 0;
    programPending = false;
    profileLoaded = 0;
}

void ST_NFC::resetProgrammingState()
{
    retryCount = 0;
    programPending = false;
}

// The tag operations act only on a tag in the field, and no reader is found yet.
void ST_NFC::startReadProductInfo()
{
}

void ST_NFC::startProgramming()
{
}

void ST_NFC::startResetOperatingTime()
{
}

void ST_NFC::factoryReset()
{
}

bool ST_NFC::connectTool()
{
    return false;
}

bool ST_NFC::selectProtocol()
{
    return false;
}

void ST_NFC::setDriverConnected(int state)
{
    emit debug_msg(state != 0 ? "Driver connected!" : "Lost driver connection!");
    if (state == driverConnected)
        return;
    driverConnected = state;
    emit driverConnectionStateChangeSignal(state);
}

void ST_NFC::handleProgrammingResult(bool /*ok*/)
{
}

void ST_NFC::resetOptResult(int result)
{
    resetPending = false;
    emit resetOptResultSignal(result);
}

ProgDataStructDef& ST_NFC::writeRecord()
{
    return writeData;
}

const ProgDataStructDef& ST_NFC::readRecord() const
{
    return readData;
}

void ST_NFC::checkDriverConnection()
{
    if (!enabled)
        return;
    // Without a reader there is no tag: stop the detection and record no driver.
    emit enableDriverDetectTimerSignal(false);
    setDriverConnected(DRIVER_DISCONNECTED);
}

void ST_NFC::toolConnectionStateChange(int state)
{
    toolState = state;
    if (enabled)
        checkDriverConnection();
}
