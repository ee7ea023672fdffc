#ifndef DALIFRAME_H
#define DALIFRAME_H

#include <QStringList>

// Frame class, the third byte of a DALI tool frame.
enum DaliFrameClassDef {
    DALI_FRAME_SEND_ONCE = 1,
    DALI_FRAME_SEND_TWICE = 2, // configuration command: the bus needs it twice within 100 ms
    DALI_FRAME_QUERY = 3,      // a backward frame is expected
};

// Command numbers outside the opcode range 0..255.
constexpr int DALI_CMD_SPECIAL_FIRST = 256; // TERMINATE
constexpr int DALI_CMD_SPECIAL_LAST = 276;  // WRITE MEMORY LOCATION-NO REPLY
constexpr int DALI_CMD_PING = 263;
constexpr int DALI_CMD_DAPC = 350;

// Memory bank access: DTR1 selects the bank, DTR0 the location, which every access advances.
constexpr int DALI_CMD_READ_MEMORY_LOCATION = 197;
constexpr int DALI_CMD_DTR0 = 257;
constexpr int DALI_CMD_DTR1 = 273;

constexpr int DALI_ADDR_BROADCAST = 0xFE;
// Short addresses 0..63; short address n is the address byte 2n, whose bit 0 (the selector) the
// encoder sets for commands.
constexpr int DALI_SHORT_ADDRESS_LAST = 63;
constexpr int DALI_ADDR_SHORT_LAST = 2 * DALI_SHORT_ADDRESS_LAST; // 0x7E
// Groups 0..15; group g is the address byte 0x80 + 2g.
constexpr int DALI_GROUP_ADDRESS_LAST = 15;
constexpr int DALI_ADDR_GROUP_FIRST = 0x80;

constexpr int DALI_DATA_BYTE_MAX = 0xFF;

// The DALI tool's answer to a frame: [DALI_ANSWER_OK, backward frame] when the gear answered, or a
// 5-byte form starting with DALI_ANSWER_OK; anything else is a failure.
constexpr char DALI_ANSWER_OK = 1;
constexpr int DALI_ANSWER_SHORT_LENGTH = 2;
constexpr int DALI_ANSWER_LONG_LENGTH = 5;

// Writes [address byte, data byte, frame class] into out for the device type 6 command set
// (dtMode 0) or the device type 8 set (any other dtMode). Returns false and leaves out
// untouched for a number that has no frame.
bool encodeDaliFrame(int dtMode, int cmd, int addr, int para, int out[3]);

// True for the special commands that carry a data byte, and DAPC.
bool daliCommandHasParameter(int dtMode, int cmd);

// Command name lists: "NNN NAME", in the order the console shows them.
QStringList dt6CommandNameList();
QStringList dt8CommandNameList();
// Names of the USB programming tool's 32 command codes; the index is the code.
QStringList iProgCommandNameList();

#endif // DALIFRAME_H
