#include "progengine.h"

#include "globals.h"

#include <algorithm>

const char READ_COMPLETE_TEXT[] = "Driver information read complete.";
const char READ_ERROR_TEXT[] = "Reading product info error";

ProgEngine::ProgEngine(QObject* parent)
    : QObject(parent)
{
    // Lets queued connections and signal spies carry the programming state.
    qRegisterMetaType<ProgStateDef>("ProgStateDef");
    setProgDataListDefaults(record);
}

ProgEngine::~ProgEngine() = default;

void ProgEngine::setEnabled(int enable)
{
    enabled = enable != 0;
    resetState();
}

void ProgEngine::resetState()
{
    // A run cut short here still ends for the window: its read progress closes, a reset or a
    // programming attempt is reported failed.
    endOperation();
    programRequested = false;
    readRequested = false;
    resetRequested = false;
    runInView = false;
    requestOutstanding = false;
    driverState = DRIVER_DISCONNECTED;
    profileLoaded = 0;
}

void ProgEngine::resetProgrammingState()
{
    programRequested = false;
    runInView = false;
    retryCount = 0;
    programResult = PROG_RESULT_NONE;
}

void ProgEngine::reportProgrammingState(ProgStateDef state)
{
    runInView = true;
    if (state == PROG_STATE_START)
        programResult = PROG_RESULT_PROGRAMMING;
    else if (state == PROG_STATE_SUCCESS)
        programResult = PROG_RESULT_SUCCESS;
    else if (state == PROG_STATE_FAIL)
        programResult = PROG_RESULT_FAIL;
    emit programmingStateUpdatedSignal(state);
}

// ---- Starts -----------------------------------------------------------------------------------

bool ProgEngine::acceptStart(const QString& line, const QString& traceLine)
{
    if (driverState != DRIVER_CONNECTED)
        return false;
    emit debug_msg(line);
    trace(traceLine);
    return true;
}

void ProgEngine::startReadProductInfo()
{
    if (acceptStart(QStringLiteral("Start to read product information... "),
                    QStringLiteral("Start to read product information ")))
        takeUpRequest(Operation::Read);
}

void ProgEngine::startProgramming()
{
    if (!acceptStart(QStringLiteral("Start to programming... "), QStringLiteral("Start to programming... ")))
        return;
    programRequested = true;
    programResult = PROG_RESULT_ARMED;
    retryCount = 0;
    takeUpRequest(Operation::Program);
}

void ProgEngine::startResetOperatingTime()
{
    if (acceptStart(QStringLiteral("Start to reset module operating time... "),
                    QStringLiteral("Start to reset module operating time ")))
        takeUpRequest(Operation::Reset);
}

void ProgEngine::takeUpRequest(Operation op)
{
    if (op == Operation::Read)
        readRequested = true;
    else if (op == Operation::Reset)
        resetRequested = true;
}

ProgEngine::Operation ProgEngine::driverFound(bool newDriver, bool runProduct)
{
    if (newDriver || logsEveryProbeAnswer)
        setDriverConnected(DRIVER_CONNECTED);
    // A driver reported as a mismatch of the loaded profile is not taken as connected, so no run
    // starts on it. A read or reset asked for meanwhile waits for the probe after the run:
    // taking the driver from the run now would leave its start without an outcome.
    if (runArmed() && runProduct && driverState == DRIVER_CONNECTED) {
        retryCount = 0;
        beginOperation(Operation::Program);
        reportProgrammingState(PROG_STATE_START);
        return Operation::Program;
    }
    // A read would replace the record a production run programs into every driver (a driver that
    // failed and was given up comes back as new).
    Operation next = Operation::None;
    if (newDriver && !profileLoaded && (!programRequested || readsDuringRun))
        next = Operation::Read;
    if (readRequested) {
        readRequested = false;
        next = Operation::Read;
    }
    if (resetRequested) {
        resetRequested = false;
        next = Operation::Reset;
    }
    if (next != Operation::None)
        beginOperation(next);
    return next;
}

// ---- Tool and driver --------------------------------------------------------------------------

void ProgEngine::toolConnectionStateChange(int state)
{
    toolState = state;
    // A tool that came or went ends whatever the link had in flight.
    requestOutstanding = false;
    if (!enabled)
        return;
    if (toolState != 1) {
        // Reported at once: the operation has no way to finish without the tool, and the window
        // may go on to hold its event loop in a box.
        disableDriverDetectTimer();
        handleLinkLoss();
        return;
    }
    checkDriverConnection();
}

void ProgEngine::checkDriverConnection()
{
    // The detection timer is shared by all engines: only the enabled one may act on it.
    if (!enabled)
        return;
    if (toolState != 1) {
        disableDriverDetectTimer();
        driverLost();
        return;
    }
    // A new request would restart the link's answer wait, so an absent driver would never time
    // out; the tick is skipped until the outstanding answer, time-out or error has come.
    if (requestOutstanding)
        return;
    const QString line = QStringLiteral("Detecting driver...");
    emit debug_msg(line);
    trace(line);
    probeDriver();
}

void ProgEngine::processCommError(int error_type)
{
    if (!enabled)
        return;
    requestOutstanding = false;
    handleCommError(error_type);
}

void ProgEngine::handleCommError(int error_type)
{
    Q_UNUSED(error_type)
}

void ProgEngine::setDriverConnected(int state)
{
    const QString line = state == DRIVER_DISCONNECTED ? QStringLiteral("Lost driver connection!")
                                                      : QStringLiteral("Driver connected!");
    emit debug_msg(line);
    trace(line);
    if (state != DRIVER_CONNECTED)
        dropRequests();
    if (state == driverState)
        return;
    if (state != DRIVER_DISCONNECTED && profileLoaded && !driverMatchesProfile()) {
        // The stored state stays, so the next report repeats the mismatch.
        emit driverConnectionStateChangeSignal(DRIVER_MISMATCH);
        return;
    }
    driverState = state;
    emit driverConnectionStateChangeSignal(state);
}

// Requests belong to the driver present when they were made. Once that driver is gone or found
// unsupported they are dropped, so none of them can act on the next driver put on the bench: a
// pending reset is reported failed, as nothing was reset.
void ProgEngine::dropRequests()
{
    readRequested = false;
    if (programRequested && !runInView)
        programRequested = false;
    if (resetRequested)
        resetOptResult(RESET_OPT_FAIL);
}

bool ProgEngine::showsDriverRemoval(bool unusableAnswer) const
{
    Q_UNUSED(unusableAnswer)
    return driverState == DRIVER_CONNECTED;
}

void ProgEngine::driverLost(bool unusableAnswer)
{
    // The run of a production view waits for the next driver.
    if (programRequested && runInView) {
        if (showsDriverRemoval(unusableAnswer))
            reportProgrammingState(PROG_STATE_WAIT_DRIVER);
        programResult = PROG_RESULT_ARMED;
    }
    setDriverConnected(DRIVER_DISCONNECTED);
}

void ProgEngine::endOperation()
{
    switch (stopOperation()) {
    case Operation::Read:
        emit productInfoReadUpdateSignal(READ_STATE_ABORT, QString::fromLatin1(READ_ERROR_TEXT), 0);
        break;
    case Operation::Reset:
        resetOptResult(RESET_OPT_FAIL);
        break;
    case Operation::Program:
        reportProgrammingState(PROG_STATE_FAIL);
        break;
    case Operation::None:
        break;
    }
}

void ProgEngine::handleLinkLoss()
{
    // The attempt cut short is reported failed first; a production run the window shows then goes
    // on with whatever driver the tool finds when it is back, the one cut short included.
    endOperation();
    driverLost();
}

bool ProgEngine::toolLostWith(int error_type)
{
    if (!isToolUnavailable(error_type))
        return false;
    // Whatever was under way has failed, and an armed production run goes on with the next driver
    // once the tool is back.
    handleLinkLoss();
    return true;
}

void ProgEngine::resumePolling(int& state, std::initializer_list<int> ends, int polling)
{
    if (std::find(ends.begin(), ends.end(), state) == ends.end())
        return;
    state = polling;
    enableDriverDetectTimer();
}

void ProgEngine::resetOptResult(int result)
{
    resetRequested = false;
    emit resetOptResultSignal(result);
}

void ProgEngine::reportReadComplete()
{
    emit productInfoReadUpdateSignal(READ_STATE_COMPLETE, QString::fromLatin1(READ_COMPLETE_TEXT), READ_COMPLETE_VALUE);
}
