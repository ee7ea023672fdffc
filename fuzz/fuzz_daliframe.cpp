// The DALI frame encoder on any command number, address and parameter of either command table.
// Promises: the frame's address and data byte, as they go on the wire, decode by the addressing
// rules of the DALI forward frame back to the command and address asked for; opcode configuration
// commands go out twice and the opcode queries as queries; every command the DALI standard defines
// for all control gear (listed below from IEC 62386-102) and every command the console lists for
// the device type has a frame; a command without a frame leaves the output untouched.

#include "daliframe.h"
#include "fuzzcheck.h"

#include <QSet>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

struct Input
{
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    int take(int bytes)
    {
        unsigned value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | (at < size ? data[at++] : 0u);
        return int(value);
    }
};

// The address bytes an engine passes: short address a as 2a, group g as 0x80 + 2g, broadcast.
int validAddress(int pick)
{
    pick %= 64 + 16 + 1;
    if (pick < 64)
        return 2 * pick;
    if (pick < 80)
        return 0x80 + 2 * (pick - 64);
    return 0xFE;
}

// The commands of every control gear: the standard opcodes, the special commands (reserved 262,
// 270 and 271 left out) and direct arc power.
bool standardCommand(int cmd)
{
    const int ranges[][2] = {{0, 9},
                             {16, 37},
                             {42, 48},
                             {64, 129},
                             {144, 168},
                             {170, 170},
                             {176, 196},
                             {256, 261},
                             {263, 269},
                             {272, 276},
                             {DALI_CMD_DAPC, DALI_CMD_DAPC}};
    for (const auto& range : ranges) {
        if (cmd >= range[0] && cmd <= range[1])
            return true;
    }
    return false;
}

// The numbers of a console list's "NNN NAME" entries.
QSet<int> listed(const QStringList& names)
{
    QSet<int> numbers;
    for (const QString& name : names)
        numbers.insert(name.left(3).toInt());
    return numbers;
}

bool offeredByConsole(int dtMode, int cmd)
{
    static const QSet<int> dt6 = listed(dt6CommandNameList());
    static const QSet<int> dt8 = listed(dt8CommandNameList());
    return (dtMode == 0 ? dt6 : dt8).contains(cmd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in{data, size};
    const int dtMode = in.take(1) % 3;        // 0 device type 6, anything else device type 8
    const int cmd = int(int16_t(in.take(2))); // any number, negative ones included
    const int addr = validAddress(in.take(1));
    const int para = in.take(4);

    int out[3] = {-7, -7, -7};
    if (!encodeDaliFrame(dtMode, cmd, addr, para, out)) {
        FUZZ_CHECK(!standardCommand(cmd) && !offeredByConsole(dtMode, cmd));
        FUZZ_CHECK(out[0] == -7 && out[1] == -7 && out[2] == -7);
        return 0;
    }
    FUZZ_CHECK(out[2] >= DALI_FRAME_SEND_ONCE && out[2] <= DALI_FRAME_QUERY);
    const int address = out[0] & 0xFF;
    const int dataByte = out[1] & 0xFF;
    FUZZ_CHECK(out[0] == address);

    if (cmd == DALI_CMD_DAPC) {
        // Direct arc power: selector bit clear, the level in the data byte.
        FUZZ_CHECK(address == (addr & 0xFE) && dataByte == (para & 0xFF));
    } else if (cmd >= 0 && cmd <= 255) {
        // An indirect command: selector bit set, the opcode in the data byte.
        FUZZ_CHECK(address == (addr | 1) && dataByte == cmd);
        if ((cmd >= 32 && cmd <= 37) || (cmd >= 64 && cmd <= 129))
            FUZZ_CHECK(out[2] == DALI_FRAME_SEND_TWICE);
        if (cmd >= 144 && cmd <= 196 && cmd != 169 && (cmd < 171 || cmd > 175))
            FUZZ_CHECK(out[2] == DALI_FRAME_QUERY);
    } else {
        // A special command: its own odd address byte from 0xA1 on, PING on 0xAD.
        FUZZ_CHECK(cmd >= DALI_CMD_SPECIAL_FIRST && cmd <= DALI_CMD_SPECIAL_LAST);
        FUZZ_CHECK(address & 1);
        const int decoded = address == 0xAD ? DALI_CMD_PING : DALI_CMD_SPECIAL_FIRST + (address - 0xA1) / 2;
        FUZZ_CHECK(decoded == cmd);
        FUZZ_CHECK(dataByte == (daliCommandHasParameter(dtMode, cmd) ? (para & 0xFF) : 0));
    }
    return 0;
}
