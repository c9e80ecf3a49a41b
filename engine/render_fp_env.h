#pragma once

namespace ostrel {

// Floating-point environment of an audio callback, for the lifetime of the object: rounding
// toward minus infinity and, on x86-64, denormals flushed to zero on input and output. The
// destructor restores the rounding mode and the SSE control register the caller had. Affects
// the calling thread only; makes no system call.
//
// The rounding mode decides how every floating-point result of the audio path is rounded (each
// sum and product, each double-to-float store), so it is part of what the output is: the same
// mode on every build gives the same samples. It does not decide float-to-integer conversions:
// C++ casts truncate whatever the mode, and the conversions that must floor (table indices,
// oscillator levels) are written as explicit floors. The C libraries' transcendental functions
// are not written for this mode and differ between builds under it, so the audio path uses
// dsp/portable_math.h instead.
class RealtimeFpScope {
public:
    RealtimeFpScope() noexcept;
    ~RealtimeFpScope();
    RealtimeFpScope(const RealtimeFpScope&) = delete;
    RealtimeFpScope& operator=(const RealtimeFpScope&) = delete;

private:
    int savedRounding;
    unsigned savedControl;
};

// The SSE control register (0 where there is none), for tests.
unsigned currentSseControl() noexcept;
inline constexpr unsigned kFlushToZeroBit = 0x8000u;
inline constexpr unsigned kDenormalsAreZeroBit = 0x0040u;

} // namespace ostrel
