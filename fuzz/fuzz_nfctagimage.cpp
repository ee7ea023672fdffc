// The NFC tag image parser on any tag content, with any layout left over from the previous tag.
// Promises: a parsed tag built back with nothing to program is the tag as read, byte for byte,
// except the three enable flags, which go back as 0 or 1; it has the length the product and layout
// give; parsing that image again finds a family tag's layout and gives the same image once more. A family tag
// whose layout was not recognised is never built, and a refused parse changes nothing.

#include "fuzzcheck.h"
#include "nfctagimage.h"

#include <cstddef>
#include <cstdint>

namespace {

// Image bytes of CLO, OTP and MTP enable.
bool isFlagByte(int i)
{
    return i == 10 || i == 35 || i == 36;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray image(reinterpret_cast<const char*>(data + 1), int(size - 1));
    NfcTagInfo info;
    info.layout = quint8(data[0] % 4);
    const NfcTagInfo before = info;
    ProgDataStructDef record;
    record.current = 4321;

    if (!NfcTagImage::parse(image, record, info)) {
        FUZZ_CHECK(record.current == 4321 && info.layout == before.layout && info.trailerCount == 0);
        return 0;
    }
    const bool family = NfcTagImage::isFamilyProduct(record.productIndex);
    const QByteArray built = NfcTagImage::build(record, record, info, NfcProgrammableParts());
    if (family && !info.layoutRecognised) {
        FUZZ_CHECK(built.isEmpty());
        return 0;
    }
    FUZZ_CHECK(built.size() == NfcTagImage::imageLength(record.productIndex, info.layout));
    FUZZ_CHECK(built.size() <= image.size() && built.size() <= NfcTagImage::MAX_IMAGE_BYTES);
    for (int i = 0; i < built.size(); ++i) {
        const quint8 expected = isFlagByte(i) ? quint8(image.at(i) != 0) : quint8(image.at(i));
        FUZZ_CHECK(quint8(built.at(i)) == expected);
    }

    ProgDataStructDef again;
    NfcTagInfo againInfo;
    FUZZ_CHECK(NfcTagImage::parse(built, again, againInfo));
    FUZZ_CHECK(againInfo.lockByte == info.lockByte);
    // Only a family tag carries its layout markers inside the image.
    if (family)
        FUZZ_CHECK(againInfo.layoutRecognised && againInfo.layout == info.layout);
    FUZZ_CHECK(NfcTagImage::build(again, again, againInfo, NfcProgrammableParts()) == built);
    return 0;
}
