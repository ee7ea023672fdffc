// The profile reader on any file text. Promises: a profile it accepts names a product of the list,
// and written out again and read back it gives the same profile text, so saving a loaded profile
// never changes a setting.

#include "fuzzcheck.h"
#include "globals.h"
#include "profilefile.h"

#include <QTextStream>

#include <cstddef>
#include <cstdint>

namespace {

constexpr int PRODUCTS = 150;

bool read(QString text, ProgDataStructDef& d)
{
    QTextStream in(&text, QIODevice::ReadOnly);
    return readProfile(in, d);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (productList.isEmpty()) {
        for (int i = 0; i < PRODUCTS; ++i) {
            ProductRecord r;
            r.index = i;
            productList.append(r);
        }
    }
    ProgDataStructDef d;
    if (!read(QString::fromLocal8Bit(reinterpret_cast<const char*>(data), int(size)), d))
        return 0;
    FUZZ_CHECK(d.productIndex < PRODUCTS);

    const QString text = profileText(d, QStringLiteral("Model"));
    ProgDataStructDef again;
    FUZZ_CHECK(read(text, again));
    FUZZ_CHECK(again.productIndex == d.productIndex);
    FUZZ_CHECK(profileText(again, QStringLiteral("Model")) == text);
    return 0;
}
