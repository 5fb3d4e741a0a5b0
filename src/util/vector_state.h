// A clean start for long text loops on x86-64.
#pragma once

namespace kelp::util {

// Some library code (Qt 6.4's hash tables on AVX-512 machines) returns with
// the upper halves of the vector registers still in use; every SSE
// instruction after it then waits on them, and an import or a word file's
// load runs a third slower. Call before such a loop; no effect elsewhere.
inline void clearUpperVectorState()
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        asm volatile("vzeroupper" ::: "memory");
#endif
}

} // namespace kelp::util
