#ifndef FUZZSCRIPT_H
#define FUZZSCRIPT_H

#include "fuzzcheck.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A fuzz input read as a script: small numbers and byte strings taken one after the other. Past
// the end every number is 0 and every string empty, so that a harness can let a short input run
// on to a quiet end (number 0 is each harness's "everything goes well" choice).
class FuzzScript
{
public:
    FuzzScript(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool atEnd() const { return at >= size; }

    int byte() { return at < size ? data[at++] : 0; }

    // 0 .. n - 1.
    int pick(int n) { return byte() % n; }

    // Two bytes, most significant first.
    int word() { return (byte() << 8) | byte(); }

    // Up to count bytes, fewer at the end of the input.
    QByteArray bytes(int count)
    {
        QByteArray out;
        while (count-- > 0 && !atEnd())
            out.append(char(byte()));
        return out;
    }

    // A length (0 .. maxLength) and that many bytes.
    QByteArray chunk(int maxLength) { return bytes(pick(maxLength + 1)); }

    // The next count bytes as a script of their own, for a second stream of choices.
    FuzzScript split(int count)
    {
        const size_t n = qMin(size - qMin(at, size), size_t(count));
        FuzzScript part(data + qMin(at, size), n);
        at += n;
        return part;
    }

private:
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

// Deterministic filler bytes: what a device holds where the input does not say.
inline QByteArray fillerBytes(int count, int seed)
{
    QByteArray out(count, '\0');
    quint32 state = quint32(seed) * 2654435761u + 12345u;
    for (int i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        out[i] = char(state >> 16);
    }
    return out;
}

// The engines write progress lines to standard output; the fuzzer's own lines go to standard
// error, which stays.
inline void quietStandardOutput()
{
    FUZZ_CHECK(std::freopen("/dev/null", "w", stdout));
}

#endif // FUZZSCRIPT_H
