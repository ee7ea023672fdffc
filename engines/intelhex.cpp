#include "intelhex.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char RECORD_MARK = ':';
// Length, address (2), type, checksum.
constexpr int RECORD_FIXED_BYTES = 5;
constexpr int MAX_RECORD_BYTES = RECORD_FIXED_BYTES + 255;
constexpr int DATA_OFFSET = 4;

constexpr int TYPE_DATA = 0x00;
constexpr int TYPE_END_OF_FILE = 0x01;
constexpr int TYPE_EXTENDED_SEGMENT = 0x02;
constexpr int TYPE_START_SEGMENT = 0x03;
constexpr int TYPE_EXTENDED_LINEAR = 0x04;
constexpr int TYPE_START_LINEAR = 0x05;
constexpr int EXTENDED_ADDRESS_LENGTH = 2;
constexpr int SEGMENT_SHIFT = 4;
constexpr int LINEAR_SHIFT = 16;

constexpr char ERASED_BYTE = char(0xFF);

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

IntelHexImage failed(IntelHexError error, int line)
{
    IntelHexImage result;
    result.error = error;
    result.errorLine = line;
    return result;
}

} // namespace

IntelHexImage parseIntelHex(const QByteArray& text, quint32 windowStart, int windowSize)
{
    const quint64 windowEnd = quint64(windowStart) + quint64(qMax(0, windowSize));
    QByteArray work(qMax(0, windowSize), ERASED_BYTE);
    quint64 lowest = windowEnd;
    quint64 highest = windowStart;
    quint64 base = 0;
    qint64 dropped = 0;
    bool ended = false;

    const char* const all = text.constData();
    const int size = text.size();
    quint8 record[MAX_RECORD_BYTES];
    int line = 0;
    for (int pos = 0; pos < size && !ended;) {
        ++line;
        const char* eol = static_cast<const char*>(std::memchr(all + pos, '\n', size_t(size - pos)));
        const int lineEnd = eol ? int(eol - all) : size;
        int begin = pos;
        int end = lineEnd;
        pos = lineEnd + 1;
        while (end > begin && isBlank(all[end - 1]))
            --end;
        if (begin == end || all[begin] != RECORD_MARK)
            continue;
        ++begin;

        const int digits = end - begin;
        if (digits % 2 != 0 || digits / 2 > MAX_RECORD_BYTES || digits / 2 < RECORD_FIXED_BYTES)
            return failed(IntelHexError::Length, line);
        const int count = digits / 2;
        quint8 sum = 0;
        for (int i = 0; i < count; ++i) {
            const int high = hexDigit(all[begin + 2 * i]);
            const int low = hexDigit(all[begin + 2 * i + 1]);
            if (high < 0 || low < 0)
                return failed(IntelHexError::Length, line);
            record[i] = quint8(high << 4 | low);
            sum = quint8(sum + record[i]);
        }
        const int length = record[0];
        if (count != RECORD_FIXED_BYTES + length)
            return failed(IntelHexError::Length, line);
        if (sum != 0)
            return failed(IntelHexError::Checksum, line);

        const quint8* data = record + DATA_OFFSET;
        switch (record[3]) {
        case TYPE_DATA: {
            const quint64 start = base + (quint64(record[1]) << 8 | record[2]);
            const quint64 from = std::max<quint64>(start, windowStart);
            const quint64 to = std::min<quint64>(start + quint64(length), windowEnd);
            qint64 inside = 0;
            if (from < to) {
                inside = qint64(to - from);
                std::memcpy(work.data() + (from - windowStart), data + (from - start), size_t(inside));
                lowest = std::min(lowest, from);
                highest = std::max(highest, to);
            }
            dropped += length - inside;
            break;
        }
        case TYPE_END_OF_FILE:
            ended = true;
            break;
        case TYPE_EXTENDED_SEGMENT:
        case TYPE_EXTENDED_LINEAR:
            if (length != EXTENDED_ADDRESS_LENGTH)
                return failed(IntelHexError::Length, line);
            base = quint64(data[0] << 8 | data[1])
                   << (record[3] == TYPE_EXTENDED_SEGMENT ? SEGMENT_SHIFT : LINEAR_SHIFT);
            break;
        case TYPE_START_SEGMENT:
        case TYPE_START_LINEAR:
            break; // where execution starts is the driver's business
        default:
            return failed(IntelHexError::RecordType, line);
        }
    }
    if (!ended)
        return failed(IntelHexError::NoEndRecord, line);

    IntelHexImage result;
    result.droppedBytes = dropped;
    if (lowest < highest) {
        result.firstAddress = quint32(lowest);
        result.data = work.mid(int(lowest - windowStart), int(highest - lowest));
    }
    return result;
}
