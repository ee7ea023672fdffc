#ifndef BOOTFRAME_H
#define BOOTFRAME_H

#include <QtGlobal>

// Boot frames, which the programming tool passes on to the driver's boot loader: FA, total
// length, command, payload, low byte of the sum of all bytes before it.

// The driver enters its boot loader when it is switched on while these frames arrive.
constexpr quint8 BOOT_CMD_ENTER = 0x07;

#endif // BOOTFRAME_H
