#ifndef SERIALLINK_H
#define SERIALLINK_H

#include "commerror.h"
#include "engineobserver.h"
#include "fuzzcheck.h"
#include "fuzzscript.h"
#include "globals.h"

#include <functional>

// The serial link as an engine sees it, played from the input within what the link promises
// (serialcommunication.h): the request in flight ends in an answer (response, then sequence
// step), a time-out or a port error; a change of the tool ends it without an outcome; a request
// while there is no tool fails at once, from inside the send, with a port error (the port was
// lost) or as turned away (the link is looking for the tool); time-outs also come for
// detection probes while no tool is connected. The window hears of a lost port before the engine
// does or after it: both orders happen.
struct SerialLink
{
    FuzzScript& in;
    std::function<void(int)> error;     // to the engine's processCommError
    std::function<void(int)> toolState; // the window tells the engine; empty: the engine is not told
    bool toolConnected = true;
    bool pending = false;

    explicit SerialLink(FuzzScript& script) : in(script) {}

    // The engine sent a request: false when the closed port failed it.
    bool sent()
    {
        FUZZ_CHECK(!pending);
        if (!toolConnected) {
            error(in.pick(2) ? COMM_ERR_PORT : COMM_ERR_NO_TOOL);
            return false;
        }
        pending = true;
        return true;
    }

    void fail(int type)
    {
        pending = false;
        error(type);
    }

    void timeout()
    {
        if (pending || !toolConnected)
            fail(COMM_ERR_TIMEOUT);
    }

    void setTool(int state)
    {
        pending = false;
        toolConnected = state != 0;
        if (toolState)
            toolState(state);
    }

    void portLost()
    {
        if (!toolConnected)
            return;
        if (in.pick(2)) {
            fail(COMM_ERR_PORT);
            setTool(0);
        } else {
            setTool(0);
            fail(COMM_ERR_PORT);
        }
    }

    void toolBack()
    {
        if (!toolConnected)
            setTool(1);
    }

    // Event n of the line's own: 0 a time-out, 1 the port lost, 2 the tool back; false for any
    // other n.
    bool event(int n)
    {
        switch (n) {
        case 0:
            timeout();
            return true;
        case 1:
            portLost();
            return true;
        case 2:
            toolBack();
            return true;
        default:
            return false;
        }
    }
};

// Holds an engine, so that a rig can be built after it and handed it.
template <class Engine> struct EngineHolder
{
    Engine engine;
};

// A programming engine on the serial link (DALI tool, USB tool) with two drivers and the window
// around it, played from the input; the harness of each engine supplies what differs: the
// drivers' answers, the engine's slots, the record the window programs and the driver changes.
// It knows for the run, read and reset under way whether every answer was the driver's own and
// which driver it began on, so that its checks compare with the right driver only.
class SerialEngineRig
{
public:
    SerialEngineRig(FuzzScript& script, ProgEngine& e) : in(script), prog(e), window(e), link(script)
    {
        link.error = [this](int type) { error(type); };
        link.toolState = [this](int state) { prog.toolConnectionStateChange(state); };
        window.onReadStart = [this] {
            readClean = true;
            readDriver = current;
        };
        window.onResetStart = [this] {
            resetClean = true;
            resetDriver = current;
        };
        window.onStart = [this] {
            runClean = true;
            runDriver = current;
            runRecord = prog.writeRecord();
        };
    }
    virtual ~SerialEngineRig() = default;

    // One thing happening; event 0 answers the request in flight with the driver's own answer,
    // or ticks the detection timer when there is none.
    void event()
    {
        const int op = in.pick(20);
        if (op < 12) {
            if (link.pending)
                deliver(truth(), true);
            else
                tick();
        } else if (op == 12) {
            if (link.pending) {
                bool untrustedAnswer = false;
                const QByteArray a = garbled(&untrustedAnswer);
                deliver(a, !untrustedAnswer);
            }
        } else if (op == 16) {
            tick();
        } else if (op > 16) {
            userAction();
        } else {
            link.event(op - 13);
        }
    }

    // The input has ended: the window finds the tool again and every answer is good. Each run,
    // read and reset ends, and detection goes on.
    void drain()
    {
        link.toolBack();
        for (int i = 0; i < DRAIN_LIMIT; ++i) {
            if (link.pending) {
                deliver(truth(), true);
            } else if (window.busy()) {
                // Nothing but the detection timer moves the engine on.
                FUZZ_CHECK(window.timerOn);
                tick();
            } else {
                break;
            }
        }
        FUZZ_CHECK(!window.busy() && window.timerOn);
    }

protected:
    static constexpr int DRAIN_LIMIT = 3000;

    FuzzScript& in;
    ProgEngine& prog;
    EngineObserver window;
    SerialLink link;
    int current = 0; // which of the two drivers is on the tool
    bool lastAnswerTrusted = true;
    bool runClean = false;
    int runDriver = 0;
    ProgDataStructDef runRecord;
    bool readClean = false;
    int readDriver = 0;
    bool resetClean = false;
    int resetDriver = 0;

    // The driver's answer to the request in flight; empty when it gives none.
    virtual QByteArray truth() = 0;
    // Another answer in its place; *untrusted: the engine could take it for the driver's.
    virtual QByteArray garbled(bool* untrusted) = 0;
    // The engine's response slot, then its sequence slot.
    virtual void answer(const QByteArray& a) = 0;
    virtual void error(int type) = 0;
    virtual ProgDataStructDef recordToProgram() = 0;
    // Another driver on the tool (swap), or the one there pulled or plugged in again.
    virtual void changeDriver(bool swap) = 0;

    // The engine is switched on and the tool found.
    void start()
    {
        prog.setEnabled(1);
        link.setTool(1);
    }

    void untrusted()
    {
        runClean = false;
        readClean = false;
        resetClean = false;
    }

    void deliver(const QByteArray& a, bool trusted)
    {
        link.pending = false;
        lastAnswerTrusted = trusted;
        if (!trusted)
            untrusted();
        if (a.isEmpty())
            error(COMM_ERR_TIMEOUT); // the link times out
        else
            answer(a);
    }

    void tick()
    {
        if (window.timerOn)
            prog.checkDriverConnection();
    }

    void userAction()
    {
        const int action = in.pick(8);
        // The driver on the tool changes whatever the window shows.
        if (action >= 6) {
            changeDriver(action == 6);
            untrusted();
            return;
        }
        if (action == 3) {
            window.programDone();
            return;
        }
        if (!window.windowFree())
            return;
        switch (action) {
        case 0:
            prog.startReadProductInfo();
            break;
        case 1:
            // The engine reads into the record it programs from: a read under way is spoilt.
            readClean = false;
            window.startProgramming(recordToProgram());
            break;
        case 2:
            readClean = false;
            window.startReset();
            break;
        case 4:
            // Another tab and back: the engine is switched off and on, the tool looked for again.
            link.pending = false;
            prog.setEnabled(0);
            prog.toolConnectionStateChange(0);
            prog.setEnabled(1);
            window.switchedOff();
            link.setTool(1);
            break;
        default:
            profileLoaded = profileLoaded ? 0 : 1;
            loadedProfileProductIndex = prog.readRecord().productIndex;
            break;
        }
    }
};

#endif // SERIALLINK_H
