#pragma once

#include <immintrin.h>

// Other code in the process (the GL driver's, the toolkit's) may leave the upper halves of
// the AVX registers in use, and a thread inherits that state from the one that starts it;
// then every SSE instruction of a kernel that is not AVX-encoded pays for a state
// transition, and a pass over the volume takes more than twice as long. Kernels call this
// first on their thread; AVX2 code clears the halves itself where it returns.
__attribute__((target("avx"))) inline void clearUpperVectorHalvesNow()
{
    _mm256_zeroupper();
}

inline void clearUpperVectorHalves()
{
    static const bool hasAvx = [] {
        __builtin_cpu_init();
        return bool(__builtin_cpu_supports("avx"));
    }();
    if (hasAvx)
        clearUpperVectorHalvesNow();
}
