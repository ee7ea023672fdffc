#include "dalipowermonitor.h"

namespace {
constexpr int DALI_ADDR_SHORT_LAST = 0x7E;
constexpr int DALI_ADDR_BROADCAST = 0xFE;
} // namespace

DaliPowerMonitor::DaliPowerMonitor(QObject* parent) : QObject(parent)
{
}

DaliPowerMonitor::~DaliPowerMonitor() = default;

void DaliPowerMonitor::setEnabled(int enable)
{
    enabled = enable != 0;
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
    step = 0;
    active = true;
}

void DaliPowerMonitor::stopRead()
{
    step = STEP_STOPPED;
    active = false;
}

void DaliPowerMonitor::setValueMask(int /*index*/, bool /*flag*/)
{
}

void DaliPowerMonitor::resetMemoryLocation()
{
}

bool DaliPowerMonitor::setMemoryLocation(int /*bank*/, int /*location*/)
{
    return false;
}

void DaliPowerMonitor::sendDaliPowerMonitorCmdSequence()
{
}

void DaliPowerMonitor::daliPowerMonitorResponse(QByteArray /*data*/)
{
}

void DaliPowerMonitor::processCommError(int /*err_type*/)
{
}
