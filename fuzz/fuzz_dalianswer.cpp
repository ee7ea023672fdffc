// The two engines that read DALI tool answers, DALI programming (input byte 0 even) and the power
// monitor (odd), driving a virtual driver through the DALI tool while the answers may be
// anything: the driver's own, another status or length, another backward frame, a time-out or a
// port error (the tool then goes, and may come back); the driver may be swapped or pulled, and
// the user acts as the window lets them.
//
// Promises of the programming engine: one command in flight, broadcast, of its command set;
// memory writes only during a programming run or an accepted operating-time reset; a run
// starts only while one is armed, and every run started ends in exactly one outcome; success
// only when the driver the run started on holds what the run wrote; a completed read carries
// a product of the product list and, when every answer of the read was the driver's own, the
// driver's values; a reset succeeds only when the driver's operating time is zero; the driver
// state changes one step at a time. Once the input ends and every answer is good, each run,
// read and reset ends and detection goes on.
//
// Promises of the power monitor: one command in flight, to the address set, DTR1 = bank 202 to
// 204, DTR0 = location 4 to 15, READ MEMORY LOCATION, and only while a read is running; the
// banks are reported in order, once each per cycle; a failed answer contributes nothing, so
// when every accepted answer was the gear's own each report holds the gear's values, with the
// not-available bits set exactly for the reserved values; a read given up reports no more.
// Once the input ends and every answer is good, a running cycle completes.
//
// Input: the engine, the drivers' banks, then events; event 0 answers the request in flight with
// the driver's own answer (the programming engine: or ticks the detection timer).

#include "commerror.h"
#include "daliframe.h"
#include "dalipowermonitor.h"
#include "daliprogramming.h"
#include "engineobserver.h"
#include "fuzzcheck.h"
#include "fuzzscript.h"
#include "globals.h"
#include "serialcommunication.h"
#include "seriallink.h"
#include "simprogtool.h"
#include "virtualdriver.h"

#include <QCoreApplication>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int PRODUCTS = 135;
constexpr int DRAIN_LIMIT = 3000;
constexpr quint8 ANSWER_OK = 0x01;

QByteArray twoBytes(int a, int b)
{
    return QByteArray().append(char(a)).append(char(b));
}

// The DALI tool and the serial link between an engine and the driver: the tool puts each frame
// on the bus and answers [status, backward frame]; the link sends a send-twice frame the tool
// acknowledged once more as send-once and passes on the answer to that repeat.
struct DaliLine
{
    VirtualDriver* driver = nullptr;
    int frame[3] = {};

    QByteArray toolAnswer(int frameClass)
    {
        const char bytes[] = {char(frame[0]), char(frame[1]), char(frameClass)};
        return SimProgTool::daliToolAnswer(driver, QByteArray(bytes, int(sizeof bytes)));
    }

    // What the engine is answered to the request in flight: the frame reaches the driver now.
    QByteArray answer()
    {
        QByteArray a = toolAnswer(frame[2]);
        if (frame[2] == DALI_FRAME_SEND_TWICE && quint8(a.at(0)) == ANSWER_OK)
            a = toolAnswer(DALI_FRAME_SEND_ONCE);
        return a;
    }

    // Another answer in place of the true one. *untrusted: an engine could take it for a
    // backward frame the driver did not send.
    static QByteArray garble(FuzzScript& in, const QByteArray& truth, bool* untrusted)
    {
        QByteArray a;
        switch (in.pick(5)) {
        case 0: // another status
            a = twoBytes(in.byte() | 0x02, truth.at(1));
            break;
        case 1: // cut short, or longer
            a = in.pick(2) ? truth.left(1) : truth + in.bytes(1 + in.pick(2));
            break;
        case 2: // another backward frame
            a = twoBytes(ANSWER_OK, in.byte());
            break;
        case 3: // the tool's long form
            a = truth + in.bytes(3);
            break;
        default:
            a = in.chunk(6);
            break;
        }
        if (a.isEmpty())
            a = truth.left(1); // the link passes on no empty answer
        *untrusted = a.size() >= 2 && quint8(a.at(0)) == ANSWER_OK &&
                     !(quint8(truth.at(0)) == ANSWER_OK && a.at(1) == truth.at(1));
        return a;
    }
};

// ---- DALI programming -----------------------------------------------------------------------

// Bank 2 of a driver: its last address, a product, a current, the rest filler.
QByteArray bank2(FuzzScript& in)
{
    static const int LAST_ADDRESSES[] = {72, 72, 72, 71, 2, 6, 40, 90};
    static const int PRODUCTS_ON_DRIVERS[] = {120, 45, 41, 7, 133, 200, 0xFFFF, 46};
    const int last = LAST_ADDRESSES[in.pick(8)];
    const int product = PRODUCTS_ON_DRIVERS[in.pick(8)];
    QByteArray bank = fillerBytes(last + 1, in.byte());
    bank[0] = char(last);
    bank[3] = char(in.byte());
    bank[4] = char(in.byte());
    if (last == 71) {
        // The old layout tells the product by two codes.
        bank[5] = 0;
        bank[6] = char(product == 45 || product == 46 ? product : 0);
        bank[65] = 0;
        bank[66] = char(product == 41 || product == 42 ? product : in.byte());
    } else if (last >= 6) {
        bank[5] = char(product >> 8);
        bank[6] = char(product);
    }
    return bank;
}

int byteAt(const QByteArray& bank, int address)
{
    return address < bank.size() ? quint8(bank.at(address)) : -1;
}

int le16(const QByteArray& bank, int address)
{
    return byteAt(bank, address) | byteAt(bank, address + 1) << 8;
}

class ProgrammingRig : private EngineHolder<DaliProgramming>, public SerialEngineRig
{
public:
    explicit ProgrammingRig(FuzzScript& script) : SerialEngineRig(script, engine)
    {
        drivers[0].setBank2(bank2(in));
        drivers[1].setBank2(bank2(in));
        line.driver = &drivers[0];
        QObject::connect(&engine, &DaliProgramming::sendCommand,
                         [this](int cmd, int addr, int para, int sender) { sent(cmd, addr, para, sender); });
        window.reading = [this] { return engine.engineState() == DaliProgramming::DALI_PROG_STATE_READ; };
        window.resetting = [this] {
            return engine.engineState() == DaliProgramming::DALI_PROG_STATE_RESET_TIME;
        };
        window.onSuccess = [this] {
            if (runClean && runDriver == current)
                checkProgrammed(drivers[runDriver].bank2());
        };
        window.onReadComplete = [this] {
            // Whatever was answered, the window gets a product it can look up.
            FUZZ_CHECK(engine.readRecord().productIndex < productList.size());
            if (readClean && readDriver == current)
                checkRead(drivers[readDriver].bank2());
        };
        window.onResetSuccess = [this] {
            if (resetClean && resetDriver == current) {
                for (int a = 28; a <= 31; ++a)
                    FUZZ_CHECK(byteAt(drivers[resetDriver].bank2(), a) == 0);
            }
        };
        start();
    }

private:
    VirtualDriver drivers[2];
    DaliLine line;

    void sent(int cmd, int addr, int para, int sender)
    {
        FUZZ_CHECK(engine.isEnabled());
        FUZZ_CHECK(sender == SENDER_DALI_PROGRAMMING && addr == DALI_ADDR_BROADCAST);
        const int state = engine.engineState();
        FUZZ_CHECK(state >= DaliProgramming::DALI_PROG_STATE_DETECT &&
                   state <= DaliProgramming::DALI_PROG_STATE_PROGRAM_DONE);
        window.noteActivity();
        switch (cmd) {
        case DaliProgramming::CMD_QUERY_DEVICE_TYPE:
        case DALI_CMD_READ_MEMORY_LOCATION:
            break;
        case DALI_CMD_DTR1:
            FUZZ_CHECK(para == 2);
            break;
        case DALI_CMD_DTR0:
            FUZZ_CHECK(para >= 0 && para <= 72);
            break;
        case DaliProgramming::CMD_ENABLE_WRITE_MEMORY:
        case DaliProgramming::CMD_WRITE_MEMORY_LOCATION:
            FUZZ_CHECK(window.runOpen || window.resetRunning);
            break;
        default:
            FUZZ_CHECK(false);
        }
        FUZZ_CHECK(encodeDaliFrame(0, cmd, addr, para, line.frame));
        link.sent();
    }

    void checkProgrammed(const QByteArray& bank) const
    {
        const ProgDataStructDef& r = runRecord;
        FUZZ_CHECK(le16(bank, 3) == r.current);
        if ((r.productIndex & ~0x04) == 41 || (r.productIndex & ~0x04) == 42)
            return; // these drivers take only their current
        FUZZ_CHECK(byteAt(bank, 9) == r.dimFunctionType);
        for (int i = 0; i < 8; ++i)
            FUZZ_CHECK(byteAt(bank, 12 + i) == (r.CLO_TimeList.value(i) & 0xFF));
        FUZZ_CHECK(byteAt(bank, 36) == r.OTP_Enable);
        FUZZ_CHECK(le16(bank, 39) == r.MTP_Start);
        FUZZ_CHECK(byteAt(bank, 67) == (r.midnightOffset & 0xFF));
        for (int i = 0; i < 5; ++i)
            FUZZ_CHECK(byteAt(bank, 68 + i) == (r.TimeDimFadeTimeList.value(i) & 0xFF));
    }

    void checkRead(const QByteArray& bank)
    {
        const ProgDataStructDef& r = engine.readRecord();
        const int last = byteAt(bank, 0);
        FUZZ_CHECK(le16(bank, 3) == r.current);
        if (last == 71)
            return; // the old layout: its product codes say no more than the product
        FUZZ_CHECK((byteAt(bank, 5) << 8 | byteAt(bank, 6)) == r.productIndex);
        auto within = [last](int address) { return address <= last; };
        if (within(8))
            FUZZ_CHECK(le16(bank, 7) == r.firmwareVersion);
        if (within(9))
            FUZZ_CHECK(byteAt(bank, 9) == r.dimFunctionType);
        if (within(19)) {
            for (int i = 0; i < 8; ++i)
                FUZZ_CHECK(byteAt(bank, 12 + i) == r.CLO_TimeList.value(i));
        }
        if (within(31))
            FUZZ_CHECK((le16(bank, 29) | byteAt(bank, 31) << 16) == r.moduleOperationTime_hrs);
        if (within(40))
            FUZZ_CHECK(le16(bank, 39) == r.MTP_Start);
        if (within(67))
            FUZZ_CHECK(qint8(byteAt(bank, 67)) == r.midnightOffset);
        if (within(72)) {
            for (int i = 0; i < 5; ++i)
                FUZZ_CHECK(byteAt(bank, 68 + i) == r.TimeDimFadeTimeList.value(i));
        }
    }

    QByteArray truth() override { return line.answer(); }

    QByteArray garbled(bool* untrustedAnswer) override
    {
        return DaliLine::garble(in, line.answer(), untrustedAnswer);
    }

    void answer(const QByteArray& a) override
    {
        engine.daliProgrammingResponse(a);
        engine.sendDaliProgrammingCmdSequence();
    }

    void error(int type) override { engine.processCommError(type); }

    ProgDataStructDef recordToProgram() override { return programmedRecord(in, engine.readRecord()); }

    void changeDriver(bool swap) override
    {
        if (swap)
            current ^= 1;
        else if (drivers[current].isPluggedIn())
            drivers[current].unplug();
        else
            drivers[current].plugIn();
        line.driver = &drivers[current];
    }
};

// ---- Power monitor --------------------------------------------------------------------------

constexpr int FIRST_ENERGY_BANK = 202;
constexpr int BANK_VALUES = 12;

struct PowerRig
{
    FuzzScript& in;
    VirtualDriver driver;
    DaliLine line;
    SerialLink link{in}; // the monitor hears of a lost port only through the error
    DaliPowerMonitor monitor;
    QByteArray values[3]; // locations 4 to 15 of banks 202, 203, 204
    int address = 0;

    bool cycleActive = false;
    bool cycleClean = false; // every answer the monitor accepted in this cycle was the gear's own
    int nextType = 0;

    explicit PowerRig(FuzzScript& script) : in(script)
    {
        const int shortAddress = in.pick(64);
        driver.setShortAddress(shortAddress);
        address = in.pick(4) == 0 ? 0xFE : 2 * shortAddress;
        for (int b = 0; b < 3; ++b)
            setBank(b);
        line.driver = &driver;
        link.error = [this](int type) {
            monitor.processCommError(type);
            // The monitor goes on from the event loop once the link has reported.
            QCoreApplication::sendPostedEvents();
        };
        QObject::connect(&monitor, &DaliPowerMonitor::sendCommand,
                         [this](int cmd, int addr, int para, int sender) { sent(cmd, addr, para, sender); });
        QObject::connect(&monitor, &DaliPowerMonitor::updatePowerMonitorDisplay,
                         [this](int type, double* data, uint mask) { report(type, data, mask); });
        QObject::connect(&monitor, &DaliPowerMonitor::powerDataReadResult, [this](bool result) {
            FUZZ_CHECK(!result && cycleActive);
            cycleActive = false;
        });
        monitor.setEnabled(1);
        // The window tells the monitor of the tool found before any read.
        monitor.toolConnectionStateChange(1);
        monitor.setShortAddress(address);
        startRead();
    }

    // A bank's values: filler, a field at one of its two reserved values, or input bytes.
    void setBank(int b)
    {
        QByteArray v = fillerBytes(BANK_VALUES, in.byte());
        switch (in.pick(4)) {
        case 1:
            v.replace(1, 6, QByteArray(6, char(0xFF)));
            v[6] = char(0xFE | in.pick(2));
            break;
        case 2:
            v.replace(8, 4, QByteArray(4, char(0xFF)));
            v[11] = char(0xFE | in.pick(2));
            break;
        case 3:
            v.replace(0, 0, in.bytes(BANK_VALUES));
            v.truncate(BANK_VALUES);
            break;
        default:
            break;
        }
        values[b] = v;
        driver.setEnergyBank(FIRST_ENERGY_BANK + b, v);
    }

    void sent(int cmd, int addr, int para, int sender)
    {
        FUZZ_CHECK(monitor.isEnabled() && cycleActive);
        FUZZ_CHECK(sender == SENDER_DALI_POWER_MONITOR && addr == address);
        if (cmd == 273)
            FUZZ_CHECK(para >= FIRST_ENERGY_BANK && para < FIRST_ENERGY_BANK + 3);
        else if (cmd == 257)
            FUZZ_CHECK(para >= 4 && para <= 15);
        else
            FUZZ_CHECK(cmd == 197);
        FUZZ_CHECK(encodeDaliFrame(0, cmd, addr, para, line.frame));
        link.sent();
    }

    void report(int type, const double* data, uint mask)
    {
        FUZZ_CHECK(cycleActive && type == nextType && (mask & ~0x3Fu) == 0);
        nextType += 2;
        if (nextType == 6)
            cycleActive = false; // nothing more is sent in this cycle
        if (!cycleClean)
            return;
        const int b = type / 2;
        const QByteArray& v = values[b];
        auto unsignedAt = [&v](int from, int count) {
            quint64 x = 0;
            for (int i = 0; i < count; ++i)
                x = x << 8 | quint8(v.at(from + i));
            return x;
        };
        const quint64 energy = unsignedAt(1, 6);
        const quint64 power = unsignedAt(8, 4);
        const bool energyMissing = energy >= 0xFFFFFFFFFFFEull;
        const bool powerMissing = power >= 0xFFFFFFFEull;
        FUZZ_CHECK(bool(mask & (DaliPowerMonitor::MASK_ACTIVE_ENERGY << (2 * b))) == energyMissing);
        FUZZ_CHECK(bool(mask & (DaliPowerMonitor::MASK_ACTIVE_POWER << (2 * b))) == powerMissing);
        if (!energyMissing)
            FUZZ_CHECK(data[2 * b + 1] == std::pow(10.0, qint8(v.at(0))) * double(energy));
        if (!powerMissing)
            FUZZ_CHECK(data[2 * b] == std::pow(10.0, qint8(v.at(7))) * double(power));
    }

    void startRead()
    {
        if (monitor.isEnabled()) {
            cycleActive = true;
            cycleClean = true;
            nextType = 0;
        }
        monitor.startRead();
    }

    void deliver(const QByteArray& answer)
    {
        link.pending = false;
        monitor.daliPowerMonitorResponse(answer);
        monitor.sendDaliPowerMonitorCmdSequence();
    }

    void userAction()
    {
        switch (in.pick(6)) {
        case 0:
            startRead();
            break;
        case 1:
            cycleActive = false;
            monitor.stopRead();
            break;
        case 2:
            // Another tab and back: the link drops the request in flight.
            cycleActive = false;
            link.pending = false;
            monitor.setEnabled(0);
            monitor.setEnabled(1);
            break;
        case 3:
            // A power cycle clears the gear's DTRs: what it answers then is its own, but not
            // from the locations selected.
            if (driver.isPluggedIn())
                driver.unplug();
            else
                driver.plugIn();
            cycleClean = false;
            break;
        case 4: {
            // An address the monitor refuses leaves its own.
            const int requested = in.byte();
            monitor.setShortAddress(requested);
            const bool valid = (requested % 2 == 0 && requested <= 0x7E) || requested == 0xFE;
            if (valid && requested != address) {
                address = requested;
                cycleClean = false;
            }
            break;
        }
        default:
            // The meter counts on while it is being read.
            setBank(in.pick(3));
            cycleClean = false;
            break;
        }
    }

    void event()
    {
        const int op = in.pick(16);
        if (op < 10) {
            if (link.pending)
                deliver(line.answer());
        } else if (op == 10) {
            if (link.pending) {
                bool isUntrusted = false;
                const QByteArray a = DaliLine::garble(in, line.answer(), &isUntrusted);
                if (isUntrusted)
                    cycleClean = false;
                deliver(a);
            }
        } else if (!link.event(op - 11)) {
            userAction();
        }
        FUZZ_CHECK(monitor.isReading() == cycleActive);
    }

    void drain()
    {
        link.toolBack();
        for (int i = 0; i < DRAIN_LIMIT && link.pending; ++i)
            deliver(line.answer());
        FUZZ_CHECK(!link.pending && !cycleActive && !monitor.isReading());
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    new QCoreApplication(*argc, *argv);
    for (int i = 0; i < PRODUCTS; ++i) {
        ProductRecord r;
        r.index = i;
        productList << r;
    }
    quietStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzScript in(data, size);
    profileLoaded = 0;
    if (in.pick(2) == 0) {
        ProgrammingRig rig(in);
        while (!in.atEnd())
            rig.event();
        rig.drain();
    } else {
        PowerRig rig(in);
        while (!in.atEnd())
            rig.event();
        rig.drain();
    }
    return 0;
}
