// The profile reader (the settings block shared with the factory information file) on any text.
// Promises: a block it accepts, written out again and read back, gives the same block text, so
// saving a loaded profile never changes a setting.

#include "fuzzcheck.h"
#include "profileformat.h"

#include <QTextStream>

#include <cstddef>
#include <cstdint>

namespace {

bool read(QString text, ProgDataStructDef& d)
{
    QTextStream in(&text, QIODevice::ReadOnly);
    return ProfileFormat::readBlock(in.readLine(), in, d);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ProgDataStructDef d;
    if (!read(QString::fromLocal8Bit(reinterpret_cast<const char*>(data), int(size)), d))
        return 0;

    const QString text = ProfileFormat::blockText(d, QStringLiteral("Model"));
    ProgDataStructDef again;
    FUZZ_CHECK(read(text, again));
    FUZZ_CHECK(again.productIndex == d.productIndex);
    FUZZ_CHECK(ProfileFormat::blockText(again, QStringLiteral("Model")) == text);
    return 0;
}
