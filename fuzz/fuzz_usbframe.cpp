// The USB tool frame builder on any command code and data. Promises: [cmd, N, data, CRC] with N the
// data length, the CRC equal to a bit-by-bit CRC-16/MODBUS of everything before it (its high byte
// first on the wire), and data longer than a length byte can tell refused with the frame untouched.

#include "fuzzcheck.h"
#include "usbframe.h"

#include <cstddef>
#include <cstdint>

namespace {

// CRC-16/MODBUS the slow way: reflected polynomial 0xA001, initial value 0xFFFF.
quint16 bitwiseCrc(const QByteArray& bytes)
{
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int cmd = int(int8_t(data[0])) * 3; // codes outside 0..255 included
    // Data longer than 255 bytes is made by repeating the input, so short inputs reach it too.
    const int repeat = data[1] % 4 == 0 ? 2 : 1;
    const QByteArray payload =
        QByteArray(reinterpret_cast<const char*>(data + 2), int(size - 2)).repeated(repeat);

    QByteArray frame("untouched");
    if (!buildiProgFrame(cmd, payload, &frame)) {
        FUZZ_CHECK(payload.size() > IPROG_MAX_DATA_LENGTH && frame == "untouched");
        return 0;
    }
    FUZZ_CHECK(payload.size() <= IPROG_MAX_DATA_LENGTH);
    FUZZ_CHECK(frame.size() == payload.size() + IPROG_FRAME_OVERHEAD);
    FUZZ_CHECK(quint8(frame.at(0)) == quint8(cmd));
    FUZZ_CHECK(quint8(frame.at(1)) == payload.size());
    FUZZ_CHECK(frame.mid(2, payload.size()) == payload);
    const quint16 crc = bitwiseCrc(frame.left(frame.size() - 2));
    FUZZ_CHECK(quint8(frame.at(frame.size() - 2)) == crc >> 8);
    FUZZ_CHECK(quint8(frame.at(frame.size() - 1)) == (crc & 0xFF));
    // The library's own CRC of the same bytes, exchanged as documented.
    const int exchanged =
        crc16Modbus(reinterpret_cast<const quint8*>(frame.constData()), quint16(frame.size() - 2));
    FUZZ_CHECK(exchanged == (((crc & 0xFF) << 8) | (crc >> 8)));
    return 0;
}
