// The USB programming tool engine driving simulated drivers (either command set) while the
// answers may be anything: the driver's own, one with a bad CRC, another length or command byte,
// a refusal, other data in a proper frame, raw bytes, no answer or a port error (the tool then
// goes, and may come back); the driver may be swapped or pulled, and the user acts as the window
// lets them.
//
// Promises: one command in flight, of the tool's command set; queries only while reading, the
// SET_ commands only in a programming run or (the operating hours) an accepted reset, with the
// current as the record holds it; the common promises of every programming engine
// (engineobserver.h); a run starts only on a driver of the record's product; success only when
// the driver the run started on holds the record's current and lists; a completed read carries,
// when every answer of the read was the driver's own, the driver's values; a reset succeeds only
// when the driver's module operating time is zero; the engine's states stay in their sets. Once
// the input ends and every answer is good, each run, read and reset ends and detection goes on.
//
// Input: the two drivers (product, filler seed), then events; event 0 answers the request in
// flight with the driver's own answer, or ticks the detection timer.

#include "commerror.h"
#include "engineobserver.h"
#include "fuzzcheck.h"
#include "fuzzscript.h"
#include "globals.h"
#include "iprogramming.h"
#include "serialcommunication.h"
#include "simusbdriver.h"
#include "usbframe.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>

namespace {

constexpr int PRODUCTS = 135;
constexpr int FADE_TIME_PRODUCT = 121;
constexpr int DRAIN_LIMIT = 3000;
const int DRIVER_PRODUCTS[] = {120, FADE_TIME_PRODUCT, 50, 60, 130, 44};

QByteArray frame(int cmd, const QByteArray& data)
{
    QByteArray f;
    FUZZ_CHECK(buildiProgFrame(cmd, data, &f));
    return f;
}

// A frame whose CRC fits its bytes, as the tool's framing makes them.
bool wellFramed(const QByteArray& a)
{
    return a.size() >= IPROG_FRAME_OVERHEAD && frame(quint8(a.at(0)), a.mid(2, a.size() - 4)) == a;
}

int le(const QByteArray& bytes, int from, int count)
{
    int value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | quint8(bytes.at(from + i));
    return value;
}

QList<int> byteList(const QByteArray& bytes)
{
    QList<int> list;
    for (char c : bytes)
        list << quint8(c);
    return list;
}

QList<int> low8(const QList<int>& list, int count)
{
    QList<int> out;
    for (int i = 0; i < count; ++i)
        out << (list.value(i) & 0xFF);
    return out;
}

std::unique_ptr<SimUsbDriver> makeDriver(FuzzScript& in)
{
    const int product = DRIVER_PRODUCTS[in.pick(int(std::size(DRIVER_PRODUCTS)))];
    auto driver = std::make_unique<SimUsbDriver>(quint16(product), product == FADE_TIME_PRODUCT);
    const int seed = in.byte();
    for (int query = 18; query <= 31; ++query) {
        const int length = driver->setting(query).size();
        driver->setSetting(query, fillerBytes(length, seed + query));
    }
    return driver;
}

struct UsbRig
{
    FuzzScript& in;
    std::unique_ptr<SimUsbDriver> drivers[2];
    int current = 0;
    iProgramming engine;
    EngineObserver window{engine};

    bool toolConnected = true;
    bool pending = false;
    QByteArray request; // the frame in flight
    bool lastAnswerTrusted = true;

    bool runClean = false;
    int runDriver = 0;
    ProgDataStructDef runRecord;
    bool readClean = false;
    int readDriver = 0;
    int lastProgress = 0;
    bool resetClean = false;
    int resetDriver = 0;

    explicit UsbRig(FuzzScript& script) : in(script)
    {
        drivers[0] = makeDriver(in);
        drivers[1] = makeDriver(in);
        QObject::connect(&engine, &iProgramming::sendCommand,
                         [this](int cmd, const QByteArray& data, int sender) { sent(cmd, data, sender); });
        QObject::connect(&engine, &ProgEngine::productInfoReadUpdateSignal, [this](int s, const QString&, int v) {
            if (s != READ_STATE_PROGRESS)
                return;
            FUZZ_CHECK(v >= lastProgress);
            lastProgress = v;
        });
        window.reading = [this] { return engine.operationState() == iProgramming::IPROG_READING; };
        window.resetting = [this] { return engine.operationState() == iProgramming::IPROG_RESETTING; };
        window.onReadStart = [this] {
            readClean = true;
            readDriver = current;
            lastProgress = 0;
        };
        window.onResetStart = [this] {
            resetClean = true;
            resetDriver = current;
        };
        window.onStart = [this] {
            runClean = true;
            runDriver = current;
            runRecord = engine.writeRecord();
            // Only a driver of the record's product is programmed.
            if (lastAnswerTrusted)
                FUZZ_CHECK(driver().productIndex() == runRecord.productIndex);
        };
        window.onSuccess = [this] {
            if (runClean && runDriver == current)
                checkProgrammed();
        };
        window.onReadComplete = [this] {
            if (readClean && readDriver == current)
                checkRead();
        };
        window.onResetSuccess = [this] {
            if (resetClean && resetDriver == current)
                FUZZ_CHECK(le(driver().setting(28), 0, 3) == 0 && driver().moduleMinutes() == 0);
        };
        engine.setEnabled(1);
        toolState(1);
    }

    SimUsbDriver& driver() { return *drivers[current]; }

    void untrusted()
    {
        runClean = false;
        readClean = false;
        resetClean = false;
    }

    void sent(int cmd, const QByteArray& data, int sender)
    {
        FUZZ_CHECK(engine.isEnabled() && !pending && sender == SENDER_IPROG);
        const int state = engine.operationState();
        FUZZ_CHECK(state >= iProgramming::IPROG_IDLE && state <= iProgramming::IPROG_PROGRAM_DONE);
        FUZZ_CHECK(engine.programmingResult() >= iProgramming::IPROG_RESULT_NONE
                   && engine.programmingResult() <= iProgramming::IPROG_RESULT_FAIL);
        window.noteActivity();
        if (cmd >= iProgramming::CMD_SET_DIM_MODE && cmd <= iProgramming::CMD_SET_EOL_TIME) {
            // Nothing is written to a driver but in a run or a reset the user started.
            if (state == iProgramming::IPROG_RESETTING)
                FUZZ_CHECK(cmd == iProgramming::CMD_SET_OR_CLEAR_MODULE_OPERATION_HOUR && window.resetRunning);
            else
                FUZZ_CHECK(state == iProgramming::IPROG_PROGRAMMING && window.runOpen);
            if (cmd == iProgramming::CMD_SET_OUTPUT_CURRENT && state == iProgramming::IPROG_PROGRAMMING)
                FUZZ_CHECK(data.size() == 2 && le(data, 0, 2) == runRecord.current);
        } else if (cmd != iProgramming::CMD_QUERY_DRIVER_SN) {
            FUZZ_CHECK(cmd >= iProgramming::CMD_QUERY_DIM_MODE && cmd <= iProgramming::CMD_QUERY_TABLE_VERSION);
            FUZZ_CHECK(state == iProgramming::IPROG_READING && data.isEmpty());
        }
        request = frame(cmd, data);
        // A closed port fails the request at once, from inside the send.
        if (!toolConnected) {
            engine.processCommError(COMM_ERR_PORT);
            return;
        }
        pending = true;
    }

    void checkProgrammed()
    {
        const ProgDataStructDef& r = runRecord;
        SimUsbDriver& d = *drivers[runDriver];
        FUZZ_CHECK(le(d.setting(19), 0, 2) == r.current);
        if (d.productIndex() == 50 || d.productIndex() == 54)
            return; // these take nothing after the function enable
        FUZZ_CHECK(byteList(d.setting(24)) == low8(r.CLO_TimeList, 8));
        FUZZ_CHECK(byteList(d.setting(25)) == low8(r.CLO_LevelList, 8));
        FUZZ_CHECK(byteList(d.setting(27)) == low8(r.TimeDimLevelList, 5));
    }

    void checkRead()
    {
        const ProgDataStructDef& r = engine.readRecord();
        SimUsbDriver& d = *drivers[readDriver];
        FUZZ_CHECK(r.productIndex == d.productIndex());
        FUZZ_CHECK(r.current == le(d.setting(19), 0, 2));
        FUZZ_CHECK(r.CLO_TimeList == byteList(d.setting(24)));
        FUZZ_CHECK(r.CLO_LevelList == byteList(d.setting(25)));
        FUZZ_CHECK(r.TimeDimStepList == byteList(d.setting(26)));
        FUZZ_CHECK(r.TimeDimLevelList == byteList(d.setting(27)));
        FUZZ_CHECK(r.moduleOperationTime_hrs == le(d.setting(28), 0, 3));
        FUZZ_CHECK(r.driverOperationTime_hrs == le(d.setting(28), 3, 3));
        const QByteArray version = d.setting(30);
        FUZZ_CHECK(r.firmwareVersion == le(version, 0, version.size()));
    }

    // The driver's answer to the frame in flight; empty when it gives none.
    QByteArray truth() { return driver().answer(request); }

    void deliver(const QByteArray& answer, bool trusted)
    {
        pending = false;
        lastAnswerTrusted = trusted;
        if (!trusted)
            untrusted();
        if (answer.isEmpty()) {
            engine.processCommError(COMM_ERR_TIMEOUT); // the link times out
            return;
        }
        engine.iProgrammingResponse(answer);
        engine.sendProgrammingCmdSequence();
    }

    // Another answer in place of the driver's.
    void garbled()
    {
        const QByteArray t = truth();
        const int cmd = quint8(request.at(0));
        const QByteArray data = t.size() >= IPROG_FRAME_OVERHEAD ? t.mid(2, t.size() - 4) : QByteArray();
        QByteArray a;
        switch (in.pick(6)) {
        case 0: // a bad CRC
            a = t.isEmpty() ? frame(cmd, data) : t;
            a[a.size() - 1] = char(a.at(a.size() - 1) ^ (1 + in.pick(255)));
            break;
        case 1: // one data byte short
            a = frame(cmd, data.left(data.size() - 1));
            break;
        case 2: // another command byte
            a = frame((cmd + 1 + in.pick(255)) & 0xFF, data);
            break;
        case 3: // refused
            a = frame(cmd, QByteArray(1, char(SimUsbDriver::NAK)));
            break;
        case 4: // other data in a proper frame
            a = frame(cmd, in.bytes(data.size()).leftJustified(data.size(), char(in.byte())));
            break;
        default:
            a = in.chunk(12);
            break;
        }
        // An answer the engine cannot tell from the driver's: a proper frame for the command.
        const bool trusted = a == t || !wellFramed(a) || quint8(a.at(0)) != cmd;
        deliver(a, trusted);
    }

    void error(int type)
    {
        pending = false;
        engine.processCommError(type);
    }

    // The link ends the request in flight without an outcome on a change of the tool.
    void toolState(int state)
    {
        pending = false;
        toolConnected = state != 0;
        engine.toolConnectionStateChange(state);
    }

    void tick()
    {
        if (window.timerOn)
            engine.checkDriverConnection();
    }

    ProgDataStructDef recordToProgram()
    {
        ProgDataStructDef record = engine.readRecord();
        record.productIndex = quint16(drivers[in.pick(2)]->productIndex());
        record.current = quint16(in.word());
        const QByteArray filler = fillerBytes(21, in.byte());
        record.CLO_TimeList = byteList(filler.mid(0, 8));
        record.CLO_LevelList = byteList(filler.mid(8, 8));
        record.TimeDimLevelList = byteList(filler.mid(16, 5));
        return record;
    }

    void userAction()
    {
        const int action = in.pick(8);
        // The driver on the tool changes whatever the window shows.
        if (action >= 6) {
            if (action == 6)
                current ^= 1;
            else
                driver().setPluggedIn(!driver().isPluggedIn());
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
            engine.startReadProductInfo();
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
            pending = false;
            engine.setEnabled(0);
            engine.toolConnectionStateChange(0);
            engine.setEnabled(1);
            window.switchedOff();
            toolState(1);
            break;
        default:
            profileLoaded = profileLoaded ? 0 : 1;
            loadedProfileProductIndex = quint16(drivers[in.pick(2)]->productIndex());
            break;
        }
    }

    void event()
    {
        const int op = in.pick(20);
        if (op < 12) {
            if (pending)
                deliver(truth(), true);
            else
                tick();
        } else if (op == 12) {
            if (pending)
                garbled();
        } else if (op == 13) {
            // Time-outs come for the request in flight, or for detection probes while no tool
            // is connected.
            if (pending || !toolConnected)
                error(COMM_ERR_TIMEOUT);
        } else if (op == 14) {
            if (!toolConnected)
                return;
            // The window hears of the lost port first or the engine does: either order happens.
            if (in.pick(2)) {
                error(COMM_ERR_PORT);
                toolState(0);
            } else {
                toolState(0);
                error(COMM_ERR_PORT);
            }
        } else if (op == 15) {
            if (!toolConnected)
                toolState(1);
        } else if (op == 16) {
            tick();
        } else {
            userAction();
        }
    }

    void drain()
    {
        if (!toolConnected)
            toolState(1);
        for (int i = 0; i < DRAIN_LIMIT; ++i) {
            if (pending) {
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
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    for (int i = 0; i < PRODUCTS; ++i) {
        ProductRecord r;
        r.index = i;
        r.driverFeature = i == FADE_TIME_PRODUCT ? 0x2000 : 0;
        productList << r;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzScript in(data, size);
    profileLoaded = 0;
    productFeature2000 = 0;
    UsbRig rig(in);
    while (!in.atEnd())
        rig.event();
    rig.drain();
    return 0;
}
