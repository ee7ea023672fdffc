// The product list reader on any file content. Promises: record n has index n, every stored
// record holds numbers a driver can (so the current choices stay few), no more than 4096 records
// are stored and none from a line beyond 256 bytes, the lines are counted whatever their ends, and
// reading never stores a record past the first bad line.

#include "fuzzcheck.h"
#include "globals.h"
#include "productlist.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    productList.clear();
    productListLineNumber = 0;
    const QByteArray content(reinterpret_cast<const char*>(data), int(size));
    const ProductListReadResult result = readProductList(content);

    FUZZ_CHECK(result.opened);
    // Every line end is one of LF, CR or CRLF, so there are never more lines than line-end
    // characters plus one.
    FUZZ_CHECK(productListLineNumber <= content.count('\n') + content.count('\r') + 1);
    FUZZ_CHECK(productList.size() <= qMax(0, productListLineNumber - 2));
    FUZZ_CHECK(productList.size() <= 4096);
    for (int i = 0; i < productList.size(); ++i) {
        const ProductRecord& r = productList.at(i);
        FUZZ_CHECK(r.index == i);
        FUZZ_CHECK(r.minCurrent >= 0 && r.minCurrent <= r.maxCurrent && r.maxCurrent <= 65535);
        // One current choice per 50 mA.
        FUZZ_CHECK((r.maxCurrent - r.minCurrent) / 50 + 1 <= 1311);
        FUZZ_CHECK(std::isfinite(r.phyMinLevel) && r.phyMinLevel >= 0 && r.phyMinLevel <= 100);
        FUZZ_CHECK(std::isfinite(r.maxVoltage) && std::isfinite(r.minVoltage));
        FUZZ_CHECK(r.name == r.name.trimmed());
        FUZZ_CHECK(r.name.size() <= 256);
    }
    return 0;
}
