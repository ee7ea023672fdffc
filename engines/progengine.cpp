#include "progengine.h"

const char READ_COMPLETE_TEXT[] = "Driver information read complete.";

ProgEngine::ProgEngine(QObject* parent)
    : QObject(parent)
{
    // Lets queued connections and signal spies carry the programming state.
    qRegisterMetaType<ProgStateDef>("ProgStateDef");
}

ProgEngine::~ProgEngine() = default;

void ProgEngine::enableDriverDetectTimer()
{
    emit enableDriverDetectTimerSignal(true);
}

void ProgEngine::disableDriverDetectTimer()
{
    emit enableDriverDetectTimerSignal(false);
}

void ProgEngine::dropRequestsOfLostDriver(int driverState, bool& readRequest, bool resetRequest)
{
    if (driverState == DRIVER_CONNECTED)
        return;
    readRequest = false;
    if (resetRequest)
        resetOptResult(RESET_OPT_FAIL);
}

void ProgEngine::endFactoryReset(const QString& failure, const QString& okLine, UserPrompt* prompt)
{
    if (failure.isEmpty()) {
        emit productInfoReadUpdateSignal(READ_STATE_COMPLETE, QString::fromLatin1(READ_COMPLETE_TEXT),
                                         READ_COMPLETE_VALUE);
        emit debug_msg(okLine);
        informUser(prompt, QStringLiteral("Information"), QStringLiteral("Factory reset success!"));
    } else {
        emit debug_msg(failure);
        informUser(prompt, QStringLiteral("Error"), QStringLiteral("Factory reset fail!"));
    }
    emit enableDriverDetectTimerSignal(true);
}
