#ifndef BANKBYTES_H
#define BANKBYTES_H

#include <QString>
#include <QtGlobal>

#include <cstddef>

// DALI memory banks keep multi-byte numbers most significant byte first and texts as Latin-1
// bytes padded with 0x00; the memory-bank dialogs move them between record and editors with these.

template <std::size_t N>
quint64 bankNumber(const quint8 (&bytes)[N])
{
    static_assert(N <= 8, "a bank number has at most 8 bytes");
    quint64 value = 0;
    for (quint8 b : bytes)
        value = (value << 8) | b;
    return value;
}

// Keeps the low N bytes of value.
template <std::size_t N>
void setBankNumber(quint8 (&bytes)[N], quint64 value)
{
    static_assert(N <= 8, "a bank number has at most 8 bytes");
    for (std::size_t i = N; i-- > 0;) {
        bytes[i] = quint8(value & 0xFF);
        value >>= 8;
    }
}

// The Latin-1 characters up to the first 0x00. The padding is not shown: an editor holding it
// would put whatever the user types after it, past the field's end, where saving cuts it off.
template <std::size_t N>
QString bankText(const quint8 (&bytes)[N])
{
    QString text;
    for (quint8 b : bytes) {
        if (b == 0)
            break;
        text += QChar(ushort(b));
    }
    return text;
}

// The first N Latin-1 bytes of text (characters outside Latin-1 become '?'), the rest 0x00.
template <std::size_t N>
void setBankText(quint8 (&bytes)[N], const QString& text)
{
    const QByteArray latin1 = text.toLatin1();
    const std::size_t n = qMin<std::size_t>(std::size_t(text.size()), N);
    for (std::size_t i = 0; i < N; ++i)
        bytes[i] = i < n ? quint8(latin1.at(int(i))) : 0;
}

#endif // BANKBYTES_H
