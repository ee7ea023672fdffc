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
#include "seriallink.h"
#include "simusbdriver.h"
#include "usbframe.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>

namespace {

constexpr int PRODUCTS = 135;
constexpr int FADE_TIME_PRODUCT = 121;
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

class UsbRig : private EngineHolder<iProgramming>, public SerialEngineRig
{
public:
    explicit UsbRig(FuzzScript& script) : SerialEngineRig(script, engine)
    {
        drivers[0] = makeDriver(in);
        drivers[1] = makeDriver(in);
        QObject::connect(&engine, &iProgramming::sendCommand,
                         [this](int cmd, const QByteArray& data, int sender) { sent(cmd, data, sender); });
        QObject::connect(&engine, &ProgEngine::productInfoReadUpdateSignal,
                         [this](int s, const QString&, int v) {
                             if (s != READ_STATE_PROGRESS)
                                 return;
                             FUZZ_CHECK(v >= lastProgress);
                             lastProgress = v;
                         });
        window.reading = [this] { return engine.operationState() == iProgramming::IPROG_READING; };
        window.resetting = [this] { return engine.operationState() == iProgramming::IPROG_RESETTING; };
        auto readStart = window.onReadStart;
        window.onReadStart = [this, readStart] {
            readStart();
            lastProgress = 0;
        };
        auto runStart = window.onStart;
        window.onStart = [this, runStart] {
            runStart();
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
        start();
    }

private:
    std::unique_ptr<SimUsbDriver> drivers[2];
    QByteArray request; // the frame in flight
    int lastProgress = 0;

    SimUsbDriver& driver() { return *drivers[current]; }

    void sent(int cmd, const QByteArray& data, int sender)
    {
        FUZZ_CHECK(engine.isEnabled() && sender == SENDER_IPROG);
        const int state = engine.operationState();
        FUZZ_CHECK(state >= iProgramming::IPROG_IDLE && state <= iProgramming::IPROG_PROGRAM_DONE);
        FUZZ_CHECK(engine.programmingResult() >= iProgramming::PROG_RESULT_NONE &&
                   engine.programmingResult() <= iProgramming::PROG_RESULT_FAIL);
        window.noteActivity();
        if (cmd >= iProgramming::CMD_SET_DIM_MODE && cmd <= iProgramming::CMD_SET_EOL_TIME) {
            // Nothing is written to a driver but in a run or a reset the user started.
            if (state == iProgramming::IPROG_RESETTING)
                FUZZ_CHECK(cmd == iProgramming::CMD_SET_OR_CLEAR_MODULE_OPERATION_HOUR &&
                           window.resetRunning);
            else
                FUZZ_CHECK(state == iProgramming::IPROG_PROGRAMMING && window.runOpen);
            if (cmd == iProgramming::CMD_SET_OUTPUT_CURRENT && state == iProgramming::IPROG_PROGRAMMING)
                FUZZ_CHECK(data.size() == 2 && le(data, 0, 2) == runRecord.current);
        } else if (cmd != iProgramming::CMD_QUERY_DRIVER_SN) {
            FUZZ_CHECK(cmd >= iProgramming::CMD_QUERY_DIM_MODE &&
                       cmd <= iProgramming::CMD_QUERY_TABLE_VERSION);
            FUZZ_CHECK(state == iProgramming::IPROG_READING && data.isEmpty());
        }
        request = frame(cmd, data);
        link.sent();
    }

    void checkProgrammed()
    {
        const ProgDataStructDef& r = runRecord;
        SimUsbDriver& d = *drivers[runDriver];
        FUZZ_CHECK(le(d.setting(19), 0, 2) == r.current);
        if (d.productIndex() == 50 || d.productIndex() == 54)
            return; // these take nothing after the function enable
        FUZZ_CHECK(byteList(d.setting(24)) == r.CLO_TimeList);
        FUZZ_CHECK(byteList(d.setting(25)) == r.CLO_LevelList);
        FUZZ_CHECK(byteList(d.setting(27)) == r.TimeDimLevelList);
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

    QByteArray truth() override { return driver().answer(request); }

    QByteArray garbled(bool* untrustedAnswer) override
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
        // The engine cannot tell a proper frame for the command from the driver's answer.
        *untrustedAnswer = a != t && wellFramed(a) && quint8(a.at(0)) == cmd;
        return a;
    }

    void answer(const QByteArray& a) override
    {
        engine.iProgrammingResponse(a);
        engine.sendProgrammingCmdSequence();
    }

    void error(int type) override { engine.processCommError(type); }

    ProgDataStructDef recordToProgram() override
    {
        ProgDataStructDef record = programmedRecord(in, engine.readRecord());
        record.productIndex = quint16(drivers[in.pick(2)]->productIndex());
        return record;
    }

    void changeDriver(bool swap) override
    {
        if (swap)
            current ^= 1;
        else
            driver().setPluggedIn(!driver().isPluggedIn());
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
