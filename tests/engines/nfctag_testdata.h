#ifndef NFCTAG_TESTDATA_H
#define NFCTAG_TESTDATA_H

// Driver tag images shared by the NFC tag tests, written out as a tag dump would show them.

#include <QByteArray>
#include <QList>

inline QByteArray tagHex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Tag bytes 0 to 72 of a driver of the given product.
inline QByteArray tagParameters(quint16 product)
{
    return tagHex("01 55")                    // 0-1 table version 1, lock byte
           + tagHex("BC 02")                  // 2-3 current 700 mA
           + QByteArray(1, char(product >> 8)) + char(product) // 4-5 product, high byte first
           + tagHex("05 01"                   // 6-7 firmware 1.05
                    "82 32 01"                // 8-10 midnight timer + override, EOL 50 kh, CLO on
                    "00 0B 15 29 3D 51 5B 65" // 11-18 CLO times
                    "64 63 62 61 60 5F 5E 5D" // 19-26 CLO levels
                    "1E 45 23 01"             // 27-30 module minutes 30, hours 74565
                    "00 01 02 05"             // 31-34 driver hours 131328, minutes 5
                    "01 01 28 4E 05 9A 01"    // 35-41 OTP, MTP, 40 %, start 1358, end 410
                    "11 12 13 14 15 16 17 18 19" // 42-50 MTP shutdown, LDP
                    "0A 50 50 0A 01"          // 51-55 0-10V 10 to 80 %, 8.0 V to 1.0 V, to the minimum
                    "79 83 8D 97 A1 63 4F 3B 45 63 E2" // 56-66 timer steps, levels, midnight -30
                    "01 02 03 04 05 07");     // 67-72 fade times, override fade
}

// Tag bytes of the three scale factors of banks 202 to 204 per layout, which hold 0xFA.
inline QList<int> layoutMarkers(int layout)
{
    switch (layout) {
    case 1:
        return {235, 246, 257};
    case 2:
        return {271, 282, 293};
    case 3:
        return {295, 306, 317};
    default:
        return {};
    }
}

// A whole 415-byte image: the parameters, then byte n holds n & 0xFF, except the markers of the
// given layout (0: none).
inline QByteArray tagImage(quint16 product, int layout)
{
    QByteArray image = tagParameters(product);
    for (int n = image.size(); n < 415; ++n)
        image.append(char(n));
    for (int marker : layoutMarkers(layout))
        image[marker] = char(0xFA);
    return image;
}

#endif // NFCTAG_TESTDATA_H
