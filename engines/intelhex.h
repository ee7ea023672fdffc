#ifndef INTELHEX_H
#define INTELHEX_H

#include <QByteArray>
#include <QtGlobal>

// Intel HEX text turned into the flat image of one address window (for the boot loader: the
// driver's application area). The image runs from the lowest address written inside the window
// to the end of the highest written span; unwritten gaps are 0xFF, the erased flash value. Data
// outside the window (the boot loader's own area, configuration pages further up) is counted and
// left out; a record that straddles a window edge keeps the bytes that lie inside.
//
// Every record is checked (hex digits, declared length, checksum, known type) and the file must
// end with its end-of-file record. One bad record and the result holds no image at all, only the
// error and its line: a firmware image missing a part must never reach a driver.

enum class IntelHexError
{
    None,
    Length,      // not hex, or not as long as its length byte says
    Checksum,    // the record's bytes do not sum to 0
    RecordType,  // a record type the format does not define
    NoEndRecord, // the file stops without an end-of-file record: cut short
};

struct IntelHexImage
{
    QByteArray data;          // empty on error or when nothing lay inside the window
    quint32 firstAddress = 0; // absolute address of data[0]
    qint64 droppedBytes = 0;  // data bytes outside the window
    IntelHexError error = IntelHexError::None;
    int errorLine = 0; // from 1
};

IntelHexImage parseIntelHex(const QByteArray& text, quint32 windowStart, int windowSize);

#endif // INTELHEX_H
