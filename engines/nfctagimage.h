#ifndef NFCTAGIMAGE_H
#define NFCTAGIMAGE_H

#include "progdata.h"

#include <QByteArray>

// The image of a driver's NFC tag and its mapping to ProgDataStructDef, shared by the NFC
// engines. Pure functions: no reader, no global state.
//
// The tag is read from block 1 on; the blocks laid end to end form the tag buffer, whose first
// byte belongs to no field and is written back as read. The image is the tag buffer without that
// byte: image byte n is tag buffer byte n + 1.
// - Bytes 0 to 72 (every driver): the parameter table, image byte n = DALI memory bank 2 address
//   n + 1. Wider values little-endian, except the product index, which is big-endian.
// - HXR/HXT family only (product index 110 to 134): the bank 1 luminaire data, tag areas carried
//   unchanged, and a stretch of 126 bytes from bank 201 to the DT6 variables, at positions that
//   depend on the layout variant (1, 2, 3), told by 0xFA markers in the bank 202 to 204 scale
//   factor bytes.
// - Then the trailer: the bytes up to the end of the last field's 4-byte tag block, carried as
//   read.
// Image lengths: 75 bytes for other products, 355 / 391 / 415 for family layouts 1 / 2 / 3.

// What a parse learns about a tag beyond the record; a build of the same tag needs it back.
struct NfcTagInfo
{
    quint8 lockByte = 0;           // image byte 1 (bank 2 address 2): never changed by a write
    quint8 layout = 0;             // family layout variant 1..3; 0 while none has been recognised
    bool layoutRecognised = false; // this tag's markers were found (layout is not left over)
    quint8 trailerCount = 0;       // trailer bytes kept in the record's tagTrailerBytes
};

// Which memory-bank parts a build takes from the write record; the rest is written back as read.
struct NfcProgrammableParts
{
    bool dt6 = false;     // power-on, curve, min, max, system failure level and short address
    bool part250 = false; // bus power supply (bank 201)
    bool part251 = false; // bank 1 luminaire data
    bool part253 = false; // resettable counters and rated life (banks 206, 207)
};

namespace NfcTagImage {

constexpr int BLOCK_SIZE = 4; // bytes of a tag block
constexpr int PARAMETER_BYTES = 73;
constexpr int MAX_IMAGE_BYTES = 415;
constexpr quint8 LAYOUT_MARKER = 0xFA;

bool isFamilyProduct(int productIndex);
// Layout variant whose three markers the image holds (1, then 2, then 3 tried), or 0.
int recognisedLayout(const QByteArray& image);
// Image byte of bank201BPSS, where the 126-byte bank stretch starts (198 for layout 0).
int bankStretchStart(int layout);
// Image length, trailer included, of a tag of this product and layout.
int imageLength(int productIndex, int layout);

// Bytes 0 to 72 only, as the readers that fetch no more than the parameter table use them.
// decode: false, leaving the record alone, when the image is shorter than 73 bytes.
bool decodeParameters(const QByteArray& image, ProgDataStructDef& record, quint8* lockByte);
// Always 73 bytes: the lists are cut or padded with zeros to their 8 or 5 bytes, so no later
// field ever moves.
QByteArray encodeParameters(const ProgDataStructDef& record, quint8 lockByte);

// Decodes a whole image into record and info. info.layout comes in as the layout of the previous
// tag and stays so when this tag holds no markers (a family tag is then decoded with it). False,
// changing nothing, when the image is too short for its layout.
bool parse(const QByteArray& image, ProgDataStructDef& record, NfcTagInfo& info);

// The image to write back to the tag that was parsed into read and info: the tag's identity
// (table version, lock byte, product index, firmware version), its carried areas and its trailer
// as read; the parameters from write; each memory-bank part from write while it is programmable,
// else as read (bank 1's manufacturer-specific text always from write). Empty when the tag is a
// family tag whose layout was not recognised: nobody knows where its fields are.
QByteArray build(const ProgDataStructDef& write, const ProgDataStructDef& read, const NfcTagInfo& info,
                 const NfcProgrammableParts& parts);

} // namespace NfcTagImage

#endif // NFCTAGIMAGE_H
