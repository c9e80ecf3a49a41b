#include "engine/render_fp_env.h"

#include <cfenv>

#if defined(__x86_64__) || defined(_M_X64)
#include <xmmintrin.h>
#define OSTREL_HAVE_SSE_CONTROL 1
#endif

namespace ostrel {

unsigned currentSseControl() noexcept
{
#ifdef OSTREL_HAVE_SSE_CONTROL
    return _mm_getcsr();
#else
    return 0;
#endif
}

RealtimeFpScope::RealtimeFpScope() noexcept : savedRounding(std::fegetround()), savedControl(currentSseControl())
{
    std::fesetround(FE_DOWNWARD);
#ifdef OSTREL_HAVE_SSE_CONTROL
    _mm_setcsr(_mm_getcsr() | kFlushToZeroBit | kDenormalsAreZeroBit);
#endif
}

RealtimeFpScope::~RealtimeFpScope()
{
#ifdef OSTREL_HAVE_SSE_CONTROL
    _mm_setcsr(savedControl);
#endif
    if (savedRounding >= 0)
        std::fesetround(savedRounding);
}

} // namespace ostrel
