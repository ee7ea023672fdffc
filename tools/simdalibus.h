#ifndef SIMDALIBUS_H
#define SIMDALIBUS_H

#include <QtGlobal>

// What hangs on the DALI side of the simulated DALI programming tool: the tool puts each forward
// frame on the bus (a send-twice frame as two forward frames in a row) and reports what came back.
class SimDaliBus
{
public:
    static constexpr int NO_ANSWER = -1;

    virtual ~SimDaliBus();

    // One DALI forward frame. Returns the backward frame (0..255), or NO_ANSWER when no device answered.
    virtual int forwardFrame(quint8 addressByte, quint8 dataByte) = 0;
};

#endif // SIMDALIBUS_H
