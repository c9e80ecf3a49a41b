#pragma once

// What the processor offers beyond the x86-64 baseline, for the few kernels that have a wider
// variant giving the same bits. Asked once at start-up by each kernel.

namespace ostrel {

#if defined(__GNUC__) && defined(__x86_64__)
inline bool cpuHasAvx2() noexcept
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}
#else
inline bool cpuHasAvx2() noexcept
{
    return false;
}
#endif

} // namespace ostrel
