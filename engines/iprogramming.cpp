#include "iprogramming.h"

#include "globals.h"

namespace {
constexpr quint32 FEATURE_2000 = 0x2000;
}

void selectProductModel(int productIndex)
{
    const ProductRecord* product = productRecord(productIndex);
    productFeature2000 = (product && (product->driverFeature & FEATURE_2000)) ? 1 : 0;
}

iProgramming::iProgramming(QObject* parent) : ProgEngine(parent)
{
    setProgDataListDefaults(record);
}

iProgramming::~iProgramming() = default;

void iProgramming::setEnabled(int enable)
{
    enabled = enable != 0;
    resetState();
}

void iProgramming::resetState()
{
    programRequest = false;
    readRequest = false;
    resetRequest = false;
    driverConnected = DRIVER_DISCONNECTED;
    profileLoaded = 0;
}

void iProgramming::resetProgrammingState()
{
    programRequest = false;
}

// The three starts act only on a connected driver, and this engine never finds one yet.
void iProgramming::startReadProductInfo()
{
}

void iProgramming::startProgramming()
{
}

void iProgramming::startResetOperatingTime()
{
}

void iProgramming::setDriverConnected(int state)
{
    emit debug_msg(state != 0 ? "Driver connected!" : "Lost driver connection!");
    if (state == driverConnected)
        return;
    driverConnected = state;
    emit driverConnectionStateChangeSignal(state);
}

void iProgramming::handleProgrammingResult(bool /*ok*/)
{
}

void iProgramming::resetOptResult(int result)
{
    resetRequest = false;
    emit resetOptResultSignal(result);
}

ProgDataStructDef& iProgramming::writeRecord()
{
    return record;
}

const ProgDataStructDef& iProgramming::readRecord() const
{
    return record;
}

bool iProgramming::checkResponseFrame(const QByteArray& /*data*/)
{
    return false;
}

void iProgramming::checkDriverConnection()
{
    if (!enabled)
        return;
    // No probe goes out yet, so no driver can answer: stop the detection and record no driver.
    emit enableDriverDetectTimerSignal(false);
    setDriverConnected(DRIVER_DISCONNECTED);
}

void iProgramming::toolConnectionStateChange(int state)
{
    toolState = state;
    if (enabled)
        checkDriverConnection();
}

void iProgramming::iProgrammingResponse(QByteArray /*data*/)
{
}

void iProgramming::sendProgrammingCmdSequence()
{
}

void iProgramming::processCommError(int /*error_type*/)
{
}
