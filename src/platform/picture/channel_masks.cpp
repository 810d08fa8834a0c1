#include "platform/picture/channel_masks.h"

namespace picture::detail {

bool Channel::set(uint32_t m) {
    mask = m;
    shift = bits = 0;
    if (m == 0) return true;
    while (!((m >> shift) & 1u)) ++shift;
    while (shift + bits < 32 && ((m >> (shift + bits)) & 1u)) ++bits;
    return shift + bits == 32 || (m >> (shift + bits)) == 0;
}

}  // namespace picture::detail
