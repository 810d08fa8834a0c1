#pragma once
// Integer division rounded down or up rather than toward zero, on 128 bits so that
// products of 64-bit coordinates divide without overflow.

namespace gdi::detail {

constexpr __int128 floorDiv(__int128 a, __int128 b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

constexpr __int128 ceilDiv(__int128 a, __int128 b) {
    return a / b + ((a % b != 0) && ((a < 0) == (b < 0)));
}

}  // namespace gdi::detail
