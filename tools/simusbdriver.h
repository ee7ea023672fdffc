#ifndef SIMUSBDRIVER_H
#define SIMUSBDRIVER_H

#include <QByteArray>
#include <QList>
#include <QMap>

class SimProgTool;

// An LED driver behind the USB programming tool, as far as the tool's command set goes. The
// simulated tool cuts the frames and checks their CRC; this class gives the driver's answer.
//
// Quick use:
//     SimUsbDriver driver(120);                 // product 120: the newer command set
//     driver.setSetting(22, hex("28 4E 05 9A 01 64"));
//     driver.attachTo(tool);                    // tool: a SimProgTool of kind UsbTool
//     ... a programming run ...; driver.setting(22) tells what was written
//
// The driver's settings are the data blocks of its QUERY_ commands (codes 18 to 31), each of a
// fixed length. A SET_ command n (2 to 13) writes its data into the block of query n + 16 and is
// answered [n, 01, 7E, CRC] when the data has the block's length, [n, 01, 15, CRC] (refused,
// nothing written) otherwise. Exceptions, as the drivers have them:
// - 1 QUERY_DRIVER_SN answers the product index, two bytes, most significant first;
// - 12 SET_OR_CLEAR_MODULE_OPERATION_HOUR: [minutes, hours 24 bits] sets the module operating
//   time, no data clears it (the older command set's form); query 28 answers the module hours
//   and the driver hours, 24 bits each, without the minutes (moduleMinutes());
// - 29 answers the five step fade times on a driver with per-step fade times, else the EOL time,
//   and 13 writes the same;
// - 30 answers the firmware version in two bytes (newer set) or one (older set).
// A driver of product index 0 to 99 speaks the older command set: it has no midnight shift, EOL
// time or table version (5, 13, 21, 29, 31). Any command it does not know is answered without
// data, [n, 00, CRC].
//
// Faults, for the answer check and the retries: injectFault() makes the next answer(s) to a
// command carry a bad CRC, another command byte, a wrong acknowledgement (a SET_ refused), one
// data byte too few, or no answer at all. A pulled driver (setPluggedIn(false)) answers nothing.
class SimUsbDriver
{
public:
    enum class Fault {
        BadCrc,       // the answer's last CRC byte is flipped
        WrongCommand, // another command byte, with a CRC that fits it
        WrongAck,     // a SET_ is refused: 15 instead of 7E, nothing written; queries unaffected
        ShortAnswer,  // a proper frame with one data byte too few
        NoAnswer,     // the request is lost: no answer, nothing written
    };

    static constexpr int ANY_COMMAND = -1;
    static constexpr quint8 ACK = 0x7E;
    static constexpr quint8 NAK = 0x15;

    explicit SimUsbDriver(quint16 productIndex, bool stepFadeTimes = false);

    // Installs this driver as the USB handler of the tool (replacing whatever driver was there).
    void attachTo(SimProgTool& tool);

    // The tool's answer bytes to one request frame (empty: no answer).
    QByteArray answer(const QByteArray& frame);

    quint16 productIndex() const;
    bool newerCommandSet() const;

    // The data block answered to query code (18..31); empty for a code the driver does not have.
    QByteArray setting(int queryCode) const;
    // Replaces a block; the content is padded with 0x00 or cut to the block's length.
    void setSetting(int queryCode, const QByteArray& data);
    quint8 moduleMinutes() const;

    void setPluggedIn(bool pluggedIn);
    bool isPluggedIn() const;

    // The next `times` answers to command (or to any command) carry the fault.
    void injectFault(Fault fault, int command = ANY_COMMAND, int times = 1);
    void clearFaults();

    // Command codes of the frames that reached the driver while it was plugged in, in order.
    QList<int> commandLog() const;
    void clearCommandLog();

private:
    QByteArray normalAnswer(int command, const QByteArray& data);
    bool takeFault(int command, Fault* fault);

    quint16 product;
    bool fadeTimes;
    bool plugged = true;
    QMap<int, QByteArray> blocks; // query code -> data block
    quint8 minutes = 0;

    struct PendingFault
    {
        Fault fault;
        int command;
        int times;
    };
    QList<PendingFault> faults;
    QList<int> commands;
};

#endif // SIMUSBDRIVER_H
