// The Intel HEX reader on any file, for the driver's application window (input byte 0 even) or
// the ARM flash with its alias regions (odd). Promises: a file with an error gives no image at
// all, and a bad record is named by its line; an image fits its window; and the image, written out again as
// Intel HEX at its addresses, reads back as the same image with nothing dropped.

#include "fuzzcheck.h"
#include "intelhex.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr quint32 APP_START = 0x2000;
constexpr int APP_SIZE = 40960;
constexpr quint32 ARM_START = 0x08000000;
constexpr int ARM_SIZE = 0x10000;
const QVector<IntelHexRegion> ARM_REGIONS = {
    {ARM_START, ARM_START + ARM_SIZE}, {0x8000, ARM_START}, {0x4000, 0x8000}};

QByteArray record(quint8 type, quint16 address, const QByteArray& data)
{
    QByteArray bytes;
    bytes.append(char(data.size())).append(char(address >> 8)).append(char(address)).append(char(type));
    bytes += data;
    quint8 sum = 0;
    for (char c : bytes)
        sum = quint8(sum + quint8(c));
    bytes.append(char(quint8(-sum)));
    return ':' + bytes.toHex().toUpper() + '\n';
}

// The image as a HEX file: extended linear address records and 16-byte data records.
QByteArray hexFile(const QByteArray& image, quint32 address)
{
    QByteArray text;
    quint32 upper = 0xFFFFFFFF;
    for (int at = 0; at < image.size(); at += 16) {
        const quint32 a = address + quint32(at);
        if (a >> 16 != upper) {
            upper = a >> 16;
            text += record(4, 0, QByteArray().append(char(upper >> 8)).append(char(upper)));
        }
        // A record never runs past a 64 KiB boundary of its base address.
        const int length = qMin<int>(qMin(16, image.size() - at), int(0x10000 - (a & 0xFFFF)));
        text += record(0, quint16(a), image.mid(at, length));
        at += length - 16;
    }
    return text + record(1, 0, QByteArray());
}

IntelHexImage parse(bool arm, const QByteArray& text)
{
    return arm ? parseIntelHex(text, ARM_REGIONS, ARM_SIZE) : parseIntelHex(text, APP_START, APP_SIZE);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const bool arm = data[0] & 1;
    const QByteArray text(reinterpret_cast<const char*>(data + 1), int(size - 1));
    const IntelHexImage image = parse(arm, text);
    if (image.error != IntelHexError::None) {
        FUZZ_CHECK(image.data.isEmpty());
        // A bad record is named by its line; a missing end record has none.
        FUZZ_CHECK(image.error == IntelHexError::NoEndRecord || image.errorLine >= 1);
        return 0;
    }
    FUZZ_CHECK(image.droppedBytes >= 0);
    if (image.data.isEmpty())
        return 0;
    // The first address is one of the first region's addresses.
    const qint64 offset = qint64(image.firstAddress) - (arm ? ARM_START : APP_START);
    FUZZ_CHECK(offset >= 0 && offset + image.data.size() <= (arm ? ARM_SIZE : APP_SIZE));

    const IntelHexImage again = parse(arm, hexFile(image.data, image.firstAddress));
    FUZZ_CHECK(again.error == IntelHexError::None && again.droppedBytes == 0);
    FUZZ_CHECK(again.firstAddress == image.firstAddress && again.data == image.data);
    return 0;
}
