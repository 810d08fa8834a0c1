#include "filterlib/stochastic/pair_table.h"

#include "filterlib/core/bands.h"

namespace filterlib {

void PairTable::apply(const Image& over, const Image& base, Image& out) const {
    auto at = [this](int a, int b) { return int(values_[size_t(a << 8 | b)]); };
    eachRow(out.height, out.width, [&](int y) {
        const uint32_t* a = base.row(y);
        const uint32_t* b = over.row(y);
        uint32_t* dst = out.row(y);
        for (int x = 0; x < out.width; ++x)
            dst[x] = pack(at(red(a[x]), red(b[x])), at(green(a[x]), green(b[x])), at(blue(a[x]), blue(b[x])));
    });
}

}  // namespace filterlib
