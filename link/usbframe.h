#ifndef USBFRAME_H
#define USBFRAME_H

#include <QByteArray>
#include <QtGlobal>

// Largest data field a USB tool frame can carry: its length travels in one byte.
constexpr int IPROG_MAX_DATA_LENGTH = 255;
// Command code, length byte and the two CRC bytes around the data.
constexpr int IPROG_FRAME_OVERHEAD = 4;

// CRC-16/MODBUS of the first length bytes, with its two bytes exchanged: bits 8..15 hold the
// conventional value's low byte, bits 0..7 its high byte. Length 0 gives 0xFFFF.
int crc16Modbus(const quint8* data, quint16 length);

// Builds [cmd, N, data, CRC high, CRC low]. Returns false and leaves frame untouched when the
// data does not fit the one-byte length.
bool buildiProgFrame(int cmd, const QByteArray& data, QByteArray* frame);

#endif // USBFRAME_H
