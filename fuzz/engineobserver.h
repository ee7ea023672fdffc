#ifndef ENGINEOBSERVER_H
#define ENGINEOBSERVER_H

#include "fuzzcheck.h"
#include "fuzzscript.h"
#include "progengine.h"

#include <QObject>

#include <functional>

// What a programming engine promises through the signals it shares with the window, followed as
// the window sees them, and the window's clicks made the way the window makes them:
// - a run starts only while one is armed (Program clicked with a driver connected, the
//   production view not closed since), and retries and an outcome come only for a started run,
//   one outcome each; waiting for the next driver only between runs;
// - read progress is 0 to 11 with a text, a failed read says "Reading product info error" with
//   0, a completed one the completion text with 12, and neither comes for a read not running
//   (when the harness follows reads, readFollowed);
// - a reset result is 0 or 1 and never outnumbers the accepted requests; every accepted request
//   gets one (resetAwaited is clear) unless the window switched the engine off;
// - the driver state changes step by step: a report repeats only for a mismatch, which leaves
//   the state as it was.
// The harness tells how to see that the engine reads or resets (reading, resetting) and adds its
// own checks through the hooks, which run before the observer's state moves on.
struct EngineObserver
{
    ProgEngine& engine;

    int connection = DRIVER_DISCONNECTED;
    bool timerOn = false;
    bool viewOpen = false; // the production view: modal, so the window takes no other clicks
    bool armed = false;
    bool runOpen = false;
    bool startMayRepeat = false; // the engine announces a start it makes on its own twice
    bool startsSilently = false; // the engine announces no start for a run the window starts
    bool resetsAtOnce = false;   // the engine carries a reset out inside the click
    bool readFollowed = true;
    bool readOpen = false;
    bool readShown = false; // its progress is on screen, application-modal
    int resetRequests = 0;
    bool resetAwaited = false;
    bool resetRunning = false;

    std::function<bool()> reading;
    std::function<bool()> resetting;
    std::function<void()> onReadStart;
    std::function<void()> onResetStart;
    std::function<void()> onStart;
    std::function<void()> onSuccess;
    std::function<void()> onReadComplete;
    std::function<void()> onResetSuccess;

    explicit EngineObserver(ProgEngine& e) : engine(e)
    {
        QObject::connect(&engine, &ProgEngine::programmingStateUpdatedSignal,
                         [this](ProgStateDef s) { programmingState(s); });
        QObject::connect(&engine, &ProgEngine::productInfoReadUpdateSignal,
                         [this](int s, const QString& text, int value) { readUpdate(s, text, value); });
        QObject::connect(&engine, &ProgEngine::resetOptResultSignal, [this](int r) { resetResult(r); });
        QObject::connect(&engine, &ProgEngine::driverConnectionStateChangeSignal, [this](int s) {
            FUZZ_CHECK(s >= DRIVER_DISCONNECTED && s <= DRIVER_MISMATCH);
            FUZZ_CHECK(s != connection || s == DRIVER_MISMATCH);
            if (s != DRIVER_MISMATCH)
                connection = s;
        });
        QObject::connect(&engine, &ProgEngine::enableDriverDetectTimerSignal,
                         [this](bool on) { timerOn = on; });
    }

    void programmingState(ProgStateDef s)
    {
        viewOpen = true;
        switch (s) {
        case PROG_STATE_START:
            FUZZ_CHECK(armed && (!runOpen || startMayRepeat));
            if (!runOpen && onStart)
                onStart();
            runOpen = true;
            break;
        case PROG_STATE_RETRY:
            FUZZ_CHECK(runOpen);
            break;
        case PROG_STATE_SUCCESS:
            FUZZ_CHECK(runOpen);
            if (onSuccess)
                onSuccess();
            runOpen = false;
            break;
        case PROG_STATE_FAIL:
            FUZZ_CHECK(runOpen);
            runOpen = false;
            break;
        case PROG_STATE_WAIT_DRIVER:
            FUZZ_CHECK(armed && !runOpen);
            break;
        default:
            FUZZ_CHECK(false);
        }
    }

    // Called whenever the engine acts (it sends, it reports a read): a read or reset it has begun
    // since is now under way.
    void noteActivity()
    {
        if (!readOpen && reading && reading()) {
            readOpen = true;
            if (onReadStart)
                onReadStart();
        }
        if (!resetRunning && resetting && resetting()) {
            FUZZ_CHECK(resetRequests > 0);
            resetRunning = true;
            if (onResetStart)
                onResetStart();
        }
    }

    void readUpdate(int s, const QString& text, int value)
    {
        noteActivity();
        FUZZ_CHECK(readOpen || !readFollowed);
        switch (s) {
        case READ_STATE_PROGRESS:
            FUZZ_CHECK(value >= 0 && value <= 11 && !text.isEmpty());
            readShown = true;
            return;
        case READ_STATE_ABORT:
            FUZZ_CHECK(value == 0 && text == QLatin1String("Reading product info error"));
            break;
        case READ_STATE_COMPLETE:
            FUZZ_CHECK(value == READ_COMPLETE_VALUE && text == QLatin1String(READ_COMPLETE_TEXT));
            if (onReadComplete)
                onReadComplete();
            break;
        default:
            FUZZ_CHECK(false);
        }
        readOpen = false;
        readShown = false;
    }

    void resetResult(int r)
    {
        FUZZ_CHECK((r == RESET_OPT_FAIL || r == RESET_OPT_SUCCESS) && resetRequests > 0);
        --resetRequests;
        resetAwaited = false;
        if (r == RESET_OPT_SUCCESS) {
            FUZZ_CHECK(resetRunning);
            if (onResetSuccess)
                onResetSuccess();
        }
        resetRunning = false;
    }

    // The window's clicks. The production view takes every click while it is open but its Done,
    // the read progress every click.
    bool windowFree() const { return !viewOpen && !readShown; }

    void startProgramming(const ProgDataStructDef& record)
    {
        engine.writeRecord() = record;
        if (connection == DRIVER_CONNECTED) {
            armed = true;
            if (startsSilently) {
                runOpen = true;
                if (onStart)
                    onStart();
            }
        }
        engine.startProgramming();
    }

    void startReset()
    {
        engine.writeRecord().moduleOperationTime_mins = 0;
        engine.writeRecord().moduleOperationTime_hrs = 0;
        if (connection == DRIVER_CONNECTED) {
            ++resetRequests;
            resetAwaited = true;
            resetRunning = resetRunning || resetsAtOnce;
        }
        engine.startResetOperatingTime();
    }

    // Done: enabled only while the view shows no run under way.
    void programDone()
    {
        if (!viewOpen || runOpen)
            return;
        armed = false;
        viewOpen = false;
        engine.resetProgrammingState();
    }

    // The engine was switched off and on: it forgot its driver without a report, and a request
    // not yet carried out went with it, as did a read not yet shown.
    void switchedOff()
    {
        armed = false;
        readOpen = false;
        connection = DRIVER_DISCONNECTED;
        resetRequests = 0;
        resetAwaited = false;
        resetRunning = false;
    }

    bool busy() const { return runOpen || resetAwaited || readOpen; }
};

// The record the window hands over for a run: base with the input's current, dimming type, OTP,
// thermal derating start and midnight shift, and filler lists of the lengths the drivers hold.
inline ProgDataStructDef programmedRecord(FuzzScript& in, ProgDataStructDef record)
{
    record.current = quint16(in.word());
    record.dimFunctionType = quint8(in.byte());
    record.OTP_Enable = quint8(in.pick(2));
    record.MTP_Start = quint16(in.word());
    record.midnightOffset = qint8(in.byte());
    const QByteArray filler = fillerBytes(31, in.byte());
    auto list = [&filler](int from, int count) {
        QList<int> values;
        for (int i = from; i < from + count; ++i)
            values << quint8(filler.at(i));
        return values;
    };
    record.CLO_TimeList = list(0, 8);
    record.CLO_LevelList = list(8, 8);
    record.TimeDimStepList = list(16, 5);
    record.TimeDimLevelList = list(21, 5);
    record.TimeDimFadeTimeList = list(26, 5);
    return record;
}

#endif // ENGINEOBSERVER_H
