#pragma once
// What the effects' vector loops share: whether the processor has AVX2 or AVX-512 (F, BW
// and VL), asked once. The baseline is SSE2; a wider loop is compiled with its own target
// attribute and taken only where these say yes.

namespace filterlib {

inline bool hasAvx2() {
#if defined(__x86_64__)
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
#else
    return false;
#endif
}

inline bool hasAvx512() {
#if defined(__x86_64__)
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vl") && hasAvx2();
    }();
    return has;
#else
    return false;
#endif
}

}  // namespace filterlib
