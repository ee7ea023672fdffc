#ifndef VIRTUALDRIVER_H
#define VIRTUALDRIVER_H

#include "simdalibus.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>

// A DALI LED driver (IEC 62386-102 control gear, device type 6) as far as the programming tools
// need one: DTR0/DTR1/DTR2, the device type and presence queries, and memory banks 0 and 2 with
// READ MEMORY LOCATION, ENABLE WRITE MEMORY and WRITE MEMORY LOCATION (with and without reply).
// Bank 2 holds the driver parameters; its content is set per test and can be inspected after a
// programming run. Optionally the energy reporting banks 202 to 204 (IEC 62386-252) as a power
// meter reads them. The driver can be plugged in and out, go silent or answer garbage.
class VirtualDriver : public SimDaliBus
{
public:
    enum class AnswerMode {
        Normal,
        Silent,  // takes every command but never sends a backward frame
        Garbage, // takes every command but answers every query with garbageAnswer()
    };

    // Bus result for a backward frame that arrived corrupted (collision, bad timing); the
    // simulated tool reports it as a tool error.
    static constexpr int CORRUPTED_FRAME = -2;

    static constexpr int DEVICE_TYPE_LED = 6;
    static constexpr quint8 LOCK_UNLOCKED = 0x55;
    static constexpr quint8 LOCK_POWER_ON = 0xFF;
    static constexpr int MASK = 0xFF; // no short address

    VirtualDriver();
    ~VirtualDriver() override;

    int forwardFrame(quint8 addressByte, quint8 dataByte) override;

    // Bank 2 as it is stored: content[0] is the last accessible address, and the bank holds
    // exactly that many bytes plus one (the content is padded with 0x00 or cut to fit).
    // Addresses not given read 0x00. The lock byte (address 2) keeps the value given here.
    void setBank2(const QByteArray& content);
    QByteArray bank2() const;

    // Energy reporting bank 202 (active), 203 (apparent) or 204 (load side); a bank never set is
    // not implemented and reading it gets no answer. `values` are locations 4 to 15: energy scale
    // factor (signed exponent of ten), energy (6 bytes, most significant first), power scale
    // factor, power (4 bytes, most significant first); a field of all ones, or all ones but the
    // last bit, means the gear has no value. The bank reads 0x0F (last accessible location),
    // indicator 0x00, lock byte 0xFF and version 0x01 before them, and takes no writes but its
    // lock byte. Setting it again while it is being read is the meter counting on.
    //
    // Reading the first byte of the energy or of the power field latches that field: its other
    // bytes then come from the snapshot, so a value read byte by byte is never torn by a change
    // in between. A read of any location outside the field lets the latch go.
    void setEnergyBank(int bank, const QByteArray& values);

    // A power cycle: the driver leaves the bus (no answer at all) and comes back with its DTRs
    // cleared, writing disabled and the bank-2 lock byte at its power-on value 0xFF.
    void unplug();
    void plugIn();
    bool isPluggedIn() const;

    void setAnswerMode(AnswerMode mode);
    AnswerMode answerMode() const;
    // What the driver answers in Garbage mode instead of each backward frame it would send:
    // CORRUPTED_FRAME (the default) or a wrong value 0..255.
    void setGarbageAnswer(int answer);
    int garbageAnswer() const;

    // 0..63, or MASK for a driver without short address (the default).
    void setShortAddress(int shortAddress);

    // Every forward frame that reached the driver while it was plugged in, in order.
    QList<QPair<quint8, quint8>> frames() const;
    void clearFrames();

    // Number of bytes actually stored by WRITE MEMORY LOCATION (either form) so far.
    int writeCount() const;

    quint8 dtr0() const;
    quint8 dtr1() const;
    bool writeEnabled() const;

private:
    int handleSpecial(quint8 addressByte, quint8 dataByte);
    int handleStandard(quint8 opcode);
    bool addressedToMe(quint8 addressByte) const;
    int readMemory();
    int writeMemory(quint8 value, bool reply);
    QByteArray* bank(int number);
    void powerOn();

    int readEnergyLocation(int bankNumber, const QByteArray& content, int location);

    QByteArray bank0;
    QByteArray bank2Data;
    QMap<int, QByteArray> energyBanks;
    // The latched energy or power field: bank, first location, bytes (empty: no latch).
    int latchBank = 0;
    int latchFirst = 0;
    QByteArray latchBytes;
    bool pluggedIn = true;
    AnswerMode mode = AnswerMode::Normal;
    int garbage = CORRUPTED_FRAME;
    int shortAddress = MASK;

    quint8 dtr0Value = 0;
    quint8 dtr1Value = 0;
    quint8 dtr2Value = 0;
    bool writeEnableState = false;

    // First frame of a send-twice command, waiting for its repeat.
    bool configPending = false;
    quint8 pendingAddress = 0;
    quint8 pendingData = 0;

    QList<QPair<quint8, quint8>> frameLog;
    int writes = 0;
};

#endif // VIRTUALDRIVER_H
