#ifndef ENGINEWIRING_H
#define ENGINEWIRING_H

// An engine wired to its link as the window wires them, for the engine tests and the benchmarks
// that drive an engine without the window. The link is the serial link, or a stand-in with the
// same signals and slots.

#include "bootloader.h"
#include "dalipowermonitor.h"
#include "daliprogramming.h"
#include "iprogramming.h"

#include <QTimer>

template <class Link> void connectEngineToLink(DaliProgramming& engine, Link& link)
{
    QObject::connect(&engine, &DaliProgramming::sendCommand, &link, &Link::sendDaliCommand);
    QObject::connect(&link, &Link::commandResponse, &engine, &DaliProgramming::daliProgrammingResponse);
    QObject::connect(&link, &Link::commandSendComplete, &engine,
                     &DaliProgramming::sendDaliProgrammingCmdSequence);
    QObject::connect(&link, &Link::communicateError, &engine, &DaliProgramming::processCommError);
}

template <class Link> void connectEngineToLink(iProgramming& engine, Link& link)
{
    QObject::connect(&engine, &iProgramming::sendCommand, &link, &Link::sendiProgCommand);
    QObject::connect(&link, &Link::commandResponse, &engine, &iProgramming::iProgrammingResponse);
    QObject::connect(&link, &Link::commandSendComplete, &engine, &iProgramming::sendProgrammingCmdSequence);
    QObject::connect(&link, &Link::communicateError, &engine, &iProgramming::processCommError);
}

template <class Link> void connectEngineToLink(DaliPowerMonitor& engine, Link& link)
{
    QObject::connect(&engine, &DaliPowerMonitor::sendCommand, &link, &Link::sendDaliCommand);
    QObject::connect(&link, &Link::commandResponse, &engine, &DaliPowerMonitor::daliPowerMonitorResponse);
    QObject::connect(&link, &Link::commandSendComplete, &engine,
                     &DaliPowerMonitor::sendDaliPowerMonitorCmdSequence);
    QObject::connect(&link, &Link::communicateError, &engine, &DaliPowerMonitor::processCommError);
}

template <class Link> void connectEngineToLink(BootLoader& engine, Link& link)
{
    QObject::connect(&engine, &BootLoader::sendCommand, &link, &Link::sendBootCommand);
    QObject::connect(&link, &Link::commandResponse, &engine, &BootLoader::bootLoaderCommandResponse);
    QObject::connect(&link, &Link::commandSendComplete, &engine, &BootLoader::sendBootloaderCmdSequence);
    QObject::connect(&link, &Link::communicateError, &engine, &BootLoader::processCommError);
}

// The window's driver-detection timer: the engine switches it on and off, each tick probes.
template <class Engine> void connectDetectTimer(Engine& engine, QTimer& detectTimer)
{
    QObject::connect(&engine, &Engine::enableDriverDetectTimerSignal, &detectTimer, [&detectTimer](bool on) {
        if (!on)
            detectTimer.stop();
        else if (!detectTimer.isActive())
            detectTimer.start();
    });
    QObject::connect(&detectTimer, &QTimer::timeout, &engine, &Engine::checkDriverConnection);
}

#endif // ENGINEWIRING_H
