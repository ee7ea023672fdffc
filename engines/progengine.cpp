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
