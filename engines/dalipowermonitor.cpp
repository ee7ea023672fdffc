#include "dalipowermonitor.h"

#include "daliframe.h"
#include "serialcommunication.h"
#include "stdouttrace.h"

#include <QTimer>

#include <cmath>
#include <iterator>

namespace {

// Energy reporting banks 202 (active), 203 (apparent), 204 (load side), each read from
// location 4: energy scale, six energy bytes, power scale, four power bytes, most significant
// byte first. The scales are signed exponents of ten.
constexpr int FIRST_BANK = 202;
constexpr int FIRST_LOCATION = 4;
constexpr int READS_PER_BANK = 12;
constexpr int READS_PER_CYCLE = 3 * READS_PER_BANK;
constexpr int ENERGY_SCALE_READ = 0;
constexpr int ENERGY_LAST_READ = 6;
constexpr int POWER_SCALE_READ = 7;
constexpr int POWER_LAST_READ = 11;

// The two top values of each field are reserved: the gear has no value to give.
constexpr quint64 ENERGY_NOT_AVAILABLE = 0xFFFFFFFFFFFEull;
constexpr quint32 POWER_NOT_AVAILABLE = 0xFFFFFFFEu;

// setMemoryLocation: DTR1 sent, then DTR0 sent; the next call finds the location selected.
constexpr int LOCATION_IDLE = 0;
constexpr int LOCATION_DTR1_SENT = 1;
constexpr int LOCATION_SELECTED = 2;

// Failures in a row: the second starts the bank over, the fourth gives the read up.
constexpr int BANK_RESTART_FAILURE = 2;
constexpr int MAX_FAILURES = 3;

template <typename T>
void setByte(T& field, int shift, quint8 value)
{
    field = T((field & ~(T(0xFF) << shift)) | (T(value) << shift));
}

} // namespace

DaliPowerMonitor::DaliPowerMonitor(QObject* parent) : QObject(parent)
{
}

DaliPowerMonitor::~DaliPowerMonitor() = default;

void DaliPowerMonitor::trace(const QString& line) const
{
    stdoutTrace() << line << Qt::endl;
}

void DaliPowerMonitor::setEnabled(int enable)
{
    enabled = enable != 0;
    if (enabled)
        return;
    // The link now routes answers to another engine and that engine's requests replace ours:
    // no outcome is to be waited for.
    stopRead();
    inFlight = false;
    completionDue = false;
    dropOutcome = false;
}

void DaliPowerMonitor::setShortAddress(int addr)
{
    // An odd byte or one in the group and special command range would address the wrong gear
    // or turn the reads into special commands.
    const bool shortAddress = addr >= 0 && addr <= DALI_ADDR_SHORT_LAST && addr % 2 == 0;
    if (shortAddress || addr == DALI_ADDR_BROADCAST)
        address = addr;
}

void DaliPowerMonitor::startRead()
{
    if (!enabled)
        return;
    if (toolState != 1) {
        // The request would go out while detection owns the line, detection would take its answer
        // for the probe's, and the read would wait for ever.
        emit debug_msg(QStringLiteral("Power meter read refused: tool not connected"));
        giveUp();
        return;
    }
    step = 0;
    readNumber = 0;
    failures = 0;
    locationState = LOCATION_IDLE;
    powerMeterReselectPending = false;
    active = true;
    // A second request would replace the one in flight and its answer would be taken for the
    // new one's: the cycle starts over once that outcome is in.
    if (inFlight) {
        dropOutcome = true;
        return;
    }
    sendNext();
}

void DaliPowerMonitor::stopRead()
{
    step = STEP_STOPPED;
    readNumber = 0;
    failures = 0;
    powerMeterReselectPending = false;
    active = false;
    if (inFlight)
        dropOutcome = true;
}

void DaliPowerMonitor::setValueMask(int index, bool flag)
{
    if (index >= 0 && index < int(std::size(valueMaskFlags)))
        valueMaskFlags[index] = flag;
}

void DaliPowerMonitor::resetMemoryLocation()
{
    locationState = LOCATION_IDLE;
}

bool DaliPowerMonitor::setMemoryLocation(int bank, int location)
{
    switch (locationState) {
    case LOCATION_IDLE:
        locationState = LOCATION_DTR1_SENT;
        send(DALI_CMD_DTR1, bank);
        return true;
    case LOCATION_DTR1_SENT:
        locationState = LOCATION_SELECTED;
        send(DALI_CMD_DTR0, location);
        return true;
    default:
        locationState = LOCATION_IDLE;
        return false;
    }
}

void DaliPowerMonitor::send(int cmd, int para)
{
    command = cmd;
    parameter = para;
    // Set before the signal: a refused request is reported back from inside it.
    inFlight = true;
    emit sendCommand(cmd, address, para, SENDER_DALI_POWER_MONITOR);
}

void DaliPowerMonitor::sendNext()
{
    if (!enabled || !active || inFlight)
        return;

    if (powerMeterReselectPending) {
        // DTR1 still holds the bank; DTR0 has moved past the failed location.
        if (step % READS_PER_BANK == 0)
            locationState = LOCATION_SELECTED;
        readNumber = 0;
        send(DALI_CMD_DTR0, FIRST_LOCATION + step % READS_PER_BANK);
        return;
    }

    if (step % READS_PER_BANK == 0 && step < READS_PER_CYCLE
        && setMemoryLocation(FIRST_BANK + step / READS_PER_BANK, FIRST_LOCATION)) {
        readNumber = 0;
        return;
    }

    if (step < READS_PER_CYCLE) {
        ++step;
        readNumber = step;
        trace(QString("send power meter command num: %1").arg(step));
        // The gear advances DTR0 after every read, so the twelve reads of a bank walk its
        // locations in order.
        send(DALI_CMD_READ_MEMORY_LOCATION, parameter);
        return;
    }

    // The last bank has been reported: the cycle is over.
    step = 0;
    readNumber = 0;
    active = false;
}

void DaliPowerMonitor::sendDaliPowerMonitorCmdSequence()
{
    if (!enabled || !completionDue)
        return;
    completionDue = false;
    sendNext();
}

void DaliPowerMonitor::daliPowerMonitorResponse(QByteArray data)
{
    if (!enabled || !inFlight)
        return;
    inFlight = false;
    completionDue = true;
    if (dropOutcome) {
        dropOutcome = false;
        return;
    }

    if (data.size() < DALI_ANSWER_SHORT_LENGTH || data.at(0) != DALI_ANSWER_OK) {
        countFailure();
        return;
    }
    powerMeterReselectPending = false;
    // DTR commands are answered too; only a read carries a bank byte.
    if (readNumber > 0) {
        failures = 0;
        applyRead(readNumber, quint8(data.at(1)));
    }
}

void DaliPowerMonitor::processCommError(int err_type)
{
    if (!enabled)
        return;
    if (err_type == COMM_ERR_TIMEOUT)
        trace("process dali power meter time out...");
    if (!inFlight)
        return; // not about a command of ours
    inFlight = false;

    if (err_type != COMM_ERR_TIMEOUT) {
        // The tool is gone (the window says so and looks for it again): no retry can succeed.
        dropOutcome = false;
        if (active)
            giveUp();
        return;
    }
    if (dropOutcome)
        dropOutcome = false;
    else
        countFailure();
    // No completion follows an error; go on once the link has finished reporting.
    if (active)
        QTimer::singleShot(0, this, &DaliPowerMonitor::resumeAfterError);
}

void DaliPowerMonitor::toolConnectionStateChange(int state)
{
    toolState = state;
    // A tool that came or went ends the request in flight without an outcome: nothing of it is
    // to be waited for.
    inFlight = false;
    completionDue = false;
    dropOutcome = false;
    if (enabled && toolState != 1 && active)
        giveUp();
}

void DaliPowerMonitor::resumeAfterError()
{
    sendNext();
}

void DaliPowerMonitor::countFailure()
{
    ++failures;
    if (failures > MAX_FAILURES) {
        giveUp();
        return;
    }
    locationState = LOCATION_IDLE;
    if (failures == BANK_RESTART_FAILURE) {
        // Start the bank over from its first location.
        const int number = readNumber > 0 ? readNumber : step + 1;
        step = (number - 1) / READS_PER_BANK * READS_PER_BANK;
        powerMeterReselectPending = false;
    } else if (readNumber > 0) {
        // Repeat the read, after pointing DTR0 at its location again.
        step = readNumber - 1;
        powerMeterReselectPending = true;
    }
    // A failed DTR command is simply sent again: the bank selection from DTR1, or the
    // re-selection that is still pending.
    readNumber = 0;
}

void DaliPowerMonitor::giveUp()
{
    trace("power meter read failed");
    emit debug_msg(QStringLiteral("Power meter read given up"));
    step = STEP_STOPPED;
    readNumber = 0;
    failures = 0;
    locationState = LOCATION_IDLE;
    powerMeterReselectPending = false;
    active = false;
    emit powerDataReadResult(false);
}

void DaliPowerMonitor::applyRead(int number, quint8 b)
{
    const int bank = (number - 1) / READS_PER_BANK;
    const int index = (number - 1) % READS_PER_BANK;
    const uint energyBit = MASK_ACTIVE_ENERGY << (2 * bank);
    const uint powerBit = MASK_ACTIVE_POWER << (2 * bank);
    double& power = values.values[2 * bank];
    double& energy = values.values[2 * bank + 1];

    if (index == ENERGY_SCALE_READ) {
        energyScale[bank] = qint8(b);
        energySum[bank] = 0;
        mask &= ~energyBit;
    } else if (index <= ENERGY_LAST_READ) {
        setByte(energySum[bank], 8 * (ENERGY_LAST_READ - index), b);
        if (index == ENERGY_LAST_READ) {
            if (energySum[bank] >= ENERGY_NOT_AVAILABLE)
                mask |= energyBit;
            else
                energy = std::pow(10.0, energyScale[bank]) * double(energySum[bank]);
        }
    } else if (index == POWER_SCALE_READ) {
        powerScale[bank] = qint8(b);
        powerSum[bank] = 0;
        mask &= ~powerBit;
    } else {
        setByte(powerSum[bank], 8 * (POWER_LAST_READ - index), b);
        if (index == POWER_LAST_READ) {
            if (powerSum[bank] >= POWER_NOT_AVAILABLE)
                mask |= powerBit;
            else
                power = std::pow(10.0, powerScale[bank]) * double(powerSum[bank]);
            emit updatePowerMonitorDisplay(POWER_TYPE_ACTIVE + 2 * bank, values.values, mask);
        }
    }
}
