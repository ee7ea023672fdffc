// The Intel HEX reader on any file, for the driver's application window (input byte 0 even) or
// the ARM flash with its alias regions (odd). Promises: the reader finds exactly the errors the
// format defines (a record not of hex pairs or not as long as its length byte says, a checksum
// that does not make its bytes sum to 0, an undefined record type, no end record), names the line
// of a bad record and then gives no image at all; otherwise its image, first address and count of
// bytes left out are those of the format's own reading, written out below from the format: each
// data byte lands at its address (extended segment and linear addresses added) when that lies in a
// region, and is counted as left out when not. An image fits its window; and the image, written
// out again as Intel HEX at its addresses, reads back as the same image with nothing dropped.

#include "fuzzcheck.h"
#include "intelhex.h"

#include <QList>

#include <cctype>
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

// The format's own reading of text into the image of regions (each region's start on byte 0).
IntelHexImage expected(const QByteArray& text, const QVector<IntelHexRegion>& regions, int imageSize)
{
    QByteArray work(imageSize, char(0xFF));
    qint64 lowest = imageSize;
    qint64 highest = 0;
    quint64 base = 0;
    IntelHexImage result;
    const QList<QByteArray> lines = text.split('\n');
    int number = 0;
    for (const QByteArray& raw : lines) {
        ++number;
        // Blanks and a carriage return at a line's end are no part of its record; a line that
        // does not start with the record mark is no record.
        QByteArray line = raw;
        while (!line.isEmpty() && (line.endsWith(' ') || line.endsWith('\t') || line.endsWith('\r')))
            line.chop(1);
        if (!line.startsWith(':'))
            continue;
        const QByteArray digits = line.mid(1);
        const auto failed = [&](IntelHexError error) {
            IntelHexImage bad;
            bad.error = error;
            bad.errorLine = number;
            return bad;
        };
        bool hex = digits.size() % 2 == 0;
        for (char c : digits)
            hex = hex && std::isxdigit(static_cast<unsigned char>(c));
        const QByteArray bytes = QByteArray::fromHex(digits);
        if (!hex || bytes.size() < 5 || bytes.size() != 5 + quint8(bytes.at(0)))
            return failed(IntelHexError::Length);
        quint8 sum = 0;
        for (char c : bytes)
            sum = quint8(sum + quint8(c));
        if (sum != 0)
            return failed(IntelHexError::Checksum);
        const int length = quint8(bytes.at(0));
        const quint64 offset = quint64(quint8(bytes.at(1))) << 8 | quint8(bytes.at(2));
        const int type = quint8(bytes.at(3));
        if (type == 1) {
            if (lowest < highest) {
                result.firstAddress = quint32(regions.first().start + quint64(lowest));
                result.data = work.mid(int(lowest), int(highest - lowest));
            }
            return result;
        }
        if (type == 2 || type == 4) {
            if (length != 2)
                return failed(IntelHexError::Length);
            base = (quint64(quint8(bytes.at(4))) << 8 | quint8(bytes.at(5))) << (type == 2 ? 4 : 16);
        } else if (type == 0) {
            for (int i = 0; i < length; ++i) {
                const quint64 address = base + offset + quint64(i);
                bool inside = false;
                for (const IntelHexRegion& region : regions) {
                    if (address >= region.start &&
                        address < qMin(region.end, region.start + quint64(imageSize))) {
                        const qint64 at = qint64(address - region.start);
                        work[int(at)] = bytes.at(4 + i);
                        lowest = qMin(lowest, at);
                        highest = qMax(highest, at + 1);
                        inside = true;
                    }
                }
                if (!inside)
                    ++result.droppedBytes;
            }
        } else if (type != 3 && type != 5) {
            return failed(IntelHexError::RecordType);
        }
    }
    IntelHexImage cut;
    cut.error = IntelHexError::NoEndRecord;
    return cut;
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
    const IntelHexImage format = arm ? expected(text, ARM_REGIONS, ARM_SIZE)
                                     : expected(text, {{APP_START, APP_START + APP_SIZE}}, APP_SIZE);
    FUZZ_CHECK(image.error == format.error);
    if (image.error != IntelHexError::NoEndRecord)
        FUZZ_CHECK(image.errorLine == format.errorLine);
    FUZZ_CHECK(image.droppedBytes == format.droppedBytes && image.firstAddress == format.firstAddress);
    FUZZ_CHECK(image.data == format.data);
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
